#include "ptrlist.h"
#include "qdebugoutput.h"
#include "support/debugcapture.h"

#include <gtest/gtest.h>

#include <vector>

using harrow::PtrList;

namespace {

std::vector<int> Walk(const PtrList<int>& list) {
    std::vector<int> seen;
    PtrList<int>::Position pos = list.GetHeadPosition();
    while (pos != nullptr) {
        seen.push_back(*list.GetNext(pos));
    }
    return seen;
}

} // namespace

TEST(PtrList, KeepsOrderAndRemovesWhileWalking) {
    int a = 1, b = 2, c = 3, d = 4;
    PtrList<int> list;
    list.AddTail(&b);
    list.AddTail(&c);
    list.AddHead(&a);
    list.InsertBefore(list.Find(&c), &d);
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 4, 3}));

    // Removing the element just returned is safe: GetNext has already moved on.
    PtrList<int>::Position pos = list.GetHeadPosition();
    while (pos != nullptr) {
        PtrList<int>::Position here = pos;
        if (*list.GetNext(pos) % 2 == 0) {
            list.RemoveAt(here);
        }
    }
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetTail(), &c);
}

TEST(PtrList, CopiesPointersNotObjects) {
    int a = 1, b = 2;
    PtrList<int> list;
    list.AddTail(&a);
    list.AddTail(&b);
    PtrList<int> copy = list;
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    ASSERT_EQ(copy.GetCount(), 2u);
    EXPECT_EQ(copy.GetHead(), &a);
    int sum = 0;
    for (int* value : copy) {
        sum += *value;
    }
    EXPECT_EQ(sum, 3);
    EXPECT_FALSE(copy.Remove(nullptr));
    EXPECT_TRUE(copy.Remove(&a));
    EXPECT_EQ(copy.GetHead(), &b);
}

TEST(DebugOutput, CapturesOneMessagePerCall) {
    larkspur::test::DebugCapture capture;
    harrow::QDebugOutput::Write("first\t\n");
    harrow::QDebugOutput::Writef("value %d of %s", 3, "four");
    ASSERT_EQ(capture.Messages().size(), 2u);
    EXPECT_EQ(capture.Messages()[0], "first\t\n");
    EXPECT_EQ(capture.Messages()[1], "value 3 of four");
}
