// PtrList<T>: an ordered list of pointers with head-to-tail positions. It never owns what it
// points to; whoever holds the list deletes the elements.
#pragma once

#include <cstddef>
#include <iterator>
#include <utility>

namespace harrow {

template <typename T> class PtrList {
    struct Node {
        T* value;
        Node* prev;
        Node* next;
    };

public:
    // A position stays valid until the element at it is removed; null means "past the end".
    using Position = Node*;

    PtrList() = default;
    PtrList(const PtrList& other) { AppendAll(other); }
    PtrList& operator=(const PtrList& other) {
        if (this != &other) {
            RemoveAll();
            AppendAll(other);
        }
        return *this;
    }
    PtrList(PtrList&& other) noexcept { Swap(other); }
    PtrList& operator=(PtrList&& other) noexcept {
        if (this != &other) {
            RemoveAll();
            Swap(other);
        }
        return *this;
    }
    ~PtrList() { RemoveAll(); }

    size_t GetCount() const { return count; }
    bool IsEmpty() const { return count == 0; }

    Position GetHeadPosition() const { return head; }
    Position GetTailPosition() const { return tail; }
    T* GetHead() const { return head ? head->value : nullptr; }
    T* GetTail() const { return tail ? tail->value : nullptr; }

    // Returns the element at pos and moves pos to the next one (null after the tail).
    T* GetNext(Position& pos) const {
        T* value = pos->value;
        pos = pos->next;
        return value;
    }
    // Returns the element at pos and moves pos to the previous one (null before the head).
    T* GetPrev(Position& pos) const {
        T* value = pos->value;
        pos = pos->prev;
        return value;
    }
    T* GetAt(Position pos) const { return pos->value; }
    void SetAt(Position pos, T* value) { pos->value = value; }

    Position AddTail(T* value) {
        Node* node = new Node{value, tail, nullptr};
        (tail ? tail->next : head) = node;
        tail = node;
        ++count;
        return node;
    }
    Position AddHead(T* value) {
        Node* node = new Node{value, nullptr, head};
        (head ? head->prev : tail) = node;
        head = node;
        ++count;
        return node;
    }
    Position InsertBefore(Position pos, T* value) {
        if (pos == nullptr || pos == head) {
            return AddHead(value);
        }
        Node* node = new Node{value, pos->prev, pos};
        pos->prev->next = node;
        pos->prev = node;
        ++count;
        return node;
    }

    void RemoveAt(Position pos) {
        (pos->prev ? pos->prev->next : head) = pos->next;
        (pos->next ? pos->next->prev : tail) = pos->prev;
        delete pos;
        --count;
    }
    T* RemoveHead() {
        T* value = head->value;
        RemoveAt(head);
        return value;
    }
    T* RemoveTail() {
        T* value = tail->value;
        RemoveAt(tail);
        return value;
    }
    // Removes the first occurrence of value; returns whether it was there.
    bool Remove(const T* value) {
        Position pos = Find(value);
        if (pos == nullptr) {
            return false;
        }
        RemoveAt(pos);
        return true;
    }
    void RemoveAll() {
        while (head != nullptr) {
            RemoveAt(head);
        }
    }

    Position Find(const T* value) const {
        for (Node* node = head; node != nullptr; node = node->next) {
            if (node->value == value) {
                return node;
            }
        }
        return nullptr;
    }
    Position FindIndex(size_t index) const {
        Node* node = head;
        while (node != nullptr && index-- > 0) {
            node = node->next;
        }
        return node;
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T* const*;
        using reference = T* const&;

        explicit const_iterator(const Node* n = nullptr) : node(n) {}
        reference operator*() const { return node->value; }
        const_iterator& operator++() {
            node = node->next;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            node = node->next;
            return before;
        }
        bool operator==(const const_iterator& other) const { return node == other.node; }

    private:
        const Node* node;
    };
    const_iterator begin() const { return const_iterator(head); }
    const_iterator end() const { return const_iterator(); }

private:
    void AppendAll(const PtrList& other) {
        for (Node* node = other.head; node != nullptr; node = node->next) {
            AddTail(node->value);
        }
    }
    void Swap(PtrList& other) noexcept {
        std::swap(head, other.head);
        std::swap(tail, other.tail);
        std::swap(count, other.count);
    }

    Node* head = nullptr;
    Node* tail = nullptr;
    size_t count = 0;
};

} // namespace harrow
