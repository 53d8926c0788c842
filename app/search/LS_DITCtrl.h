// LS_DITCtrl: the directory tree, the "Browser" page: where the entries that searches reported
// lie, as a tree of RDNs that only grows. It owns the root node (and so every node) and the
// image list cut from the icon strip.
#pragma once

#include "search/LS_DITCtrlEntry.h"

#include <QIcon>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace harrow {
class QEntry;
}
class LS_IconMap;

class LS_DITCtrl : public QTreeWidget {
    Q_OBJECT

public:
    LS_DITCtrl();
    ~LS_DITCtrl() override;

    // Creates the root node and shows the tree in parent at rect; id names the window.
    void Create(const QRect& rect, QWidget* parent, int id);
    // Takes the tree out of its parent and deletes every node and item.
    void Destroy();

    // Adds the first node missing on the path of the entry's DN: 1 if one was added, 0 if the
    // whole path was there already. The entry stays the caller's.
    int AddEntry(const harrow::QEntry& entry, int makeVisible);

    // The map that picks a node's image, replaced when the directory settings change; null
    // shows none.
    void SetIconMap(const LS_IconMap* icons) { m_icons = icons; }

    LS_DITCtrlEntry* Root() const { return m_pRoot.get(); }

private:
    // The image the icon map gives the entry; a null icon when it gives none.
    QIcon EntryIcon(const harrow::QEntry& entry) const;

    std::unique_ptr<LS_DITCtrlEntry> m_pRoot;
    std::vector<QIcon> m_imageList;
    const LS_IconMap* m_icons = nullptr;
};
