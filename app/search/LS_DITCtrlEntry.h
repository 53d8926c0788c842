// LS_DITCtrlEntry: one node of the directory tree, the RDN it stands for with its tree item. It
// owns its child nodes, newest first; the tree control owns the items.
#pragma once

#include "model/qrdn.h"

#include <memory>
#include <string>
#include <vector>

class QIcon;
class QTreeWidget;
class QTreeWidgetItem;

class LS_DITCtrlEntry {
public:
    // The labels of tree items hold fewer bytes than this.
    static constexpr std::size_t TEXT_BUFFER_SIZE = 256;

    // The invisible root of a tree.
    explicit LS_DITCtrlEntry(QTreeWidget* tree);
    // A node for the RDN below parent, with a new item as the first child of the parent's item
    // showing icon (none when it is null).
    LS_DITCtrlEntry(const harrow::QRDN& rdn, const QIcon& icon, LS_DITCtrlEntry* parent,
                    QTreeWidget* tree);
    LS_DITCtrlEntry(const LS_DITCtrlEntry&) = delete;
    LS_DITCtrlEntry& operator=(const LS_DITCtrlEntry&) = delete;
    virtual ~LS_DITCtrlEntry();

    // Shortens UTF-8 text to at most limit bytes without splitting a character.
    static void KeepWholeCharacters(std::string& text, std::size_t limit);

    // The child whose RDN equals rdn, looking from the newest; null when there is none.
    LS_DITCtrlEntry* FindChild(const harrow::QRDN& rdn) const;
    // A new child node for the RDN, put in front of the others, showing icon.
    LS_DITCtrlEntry* AddChild(const harrow::QRDN& rdn, const QIcon& icon);

    const harrow::QRDN& RDN() const { return m_rdn; }
    LS_DITCtrlEntry* Parent() const { return m_pParent; }
    QTreeWidgetItem* Item() const { return m_hItem; }
    const std::string& Text() const { return m_text; }
    const std::vector<std::unique_ptr<LS_DITCtrlEntry>>& Children() const { return m_children; }

private:
    void InsertItem(const QIcon& icon);

    harrow::QRDN m_rdn;
    std::vector<std::unique_ptr<LS_DITCtrlEntry>> m_children;
    LS_DITCtrlEntry* m_pParent = nullptr;
    QTreeWidget* m_pTree;
    QTreeWidgetItem* m_hItem = nullptr;
    std::string m_text;
};
