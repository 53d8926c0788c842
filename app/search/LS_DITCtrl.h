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

    // The icon map's image for the entry, if it has one.
    bool IconFor(const harrow::QEntry& entry, int& image) const;
    // The image of that index of the image list; a null icon when there is none.
    QIcon Image(int image) const;

    LS_DITCtrlEntry* Root() const { return m_pRoot.get(); }

private:
    std::unique_ptr<LS_DITCtrlEntry> m_pRoot;
    std::vector<QIcon> m_imageList;
};
