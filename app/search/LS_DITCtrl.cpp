#include "search/LS_DITCtrl.h"

#include "platform/LS_IconStrip.h"
#include "results/LS_IconMap.h"

#include "model/qdn.h"
#include "model/qentry.h"
#include "model/qrdn.h"

#include <list>

LS_DITCtrl::LS_DITCtrl() {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setIconSize(QSize(LS_IconStrip::IMAGE_WIDTH, LS_IconStrip::IMAGE_HEIGHT));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

LS_DITCtrl::~LS_DITCtrl() {
    // Items go before the nodes that point at them.
    clear();
}

void LS_DITCtrl::Create(const QRect& rect, QWidget* parent, int id) {
    m_pRoot = std::make_unique<LS_DITCtrlEntry>(this);
    m_imageList = LS_IconStrip::ImageList();
    setParent(parent);
    setObjectName(QString::number(id));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setGeometry(rect);
    show();
}

void LS_DITCtrl::Destroy() {
    hide();
    setParent(nullptr);
    clear();
    m_pRoot.reset();
}

int LS_DITCtrl::AddEntry(const harrow::QEntry& entry, int makeVisible) {
    if (!m_pRoot) {
        return 0;
    }
    // Root-most RDN first: the DN keeps its most specific RDN first.
    std::list<const harrow::QRDN*> path;
    const harrow::QDN& dn = entry.DN();
    harrow::QDN::Position position = dn.GetHeadRDNPosition();
    while (position != nullptr) {
        path.push_front(dn.GetNextRDN(position));
    }
    LS_DITCtrlEntry* current = m_pRoot.get();
    for (const harrow::QRDN* rdn : path) {
        if (LS_DITCtrlEntry* found = current->FindChild(*rdn)) {
            current = found;
            continue;
        }
        LS_DITCtrlEntry* added = current->AddChild(*rdn, EntryIcon(entry));
        if (makeVisible) {
            scrollToItem(added->Item());
        }
        return 1;
    }
    return 0;
}

QIcon LS_DITCtrl::EntryIcon(const harrow::QEntry& entry) const {
    int image = -1;
    if (!m_icons || m_icons->GetIcon(entry, image) != 1 || image < 0 ||
        image >= static_cast<int>(m_imageList.size())) {
        return QIcon();
    }
    return m_imageList[static_cast<std::size_t>(image)];
}
