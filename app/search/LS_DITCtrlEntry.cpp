#include "search/LS_DITCtrlEntry.h"

#include <QIcon>
#include <QTreeWidget>
#include <QTreeWidgetItem>

LS_DITCtrlEntry::LS_DITCtrlEntry(QTreeWidget* tree) : m_pTree(tree) {}

LS_DITCtrlEntry::LS_DITCtrlEntry(const harrow::QRDN& rdn, const QIcon& icon,
                                 LS_DITCtrlEntry* parent, QTreeWidget* tree)
    : m_rdn(rdn), m_pParent(parent), m_pTree(tree) {
    m_rdn.GetFriendlyRDNString(m_text);
    KeepWholeCharacters(m_text, TEXT_BUFFER_SIZE - 1);
    InsertItem(icon);
}

void LS_DITCtrlEntry::KeepWholeCharacters(std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    // Cutting inside a UTF-8 sequence would leave a broken character at the end of the label.
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) {
        --end;
    }
    text.resize(end);
}

LS_DITCtrlEntry::~LS_DITCtrlEntry() = default;

void LS_DITCtrlEntry::InsertItem(const QIcon& icon) {
    m_hItem = new QTreeWidgetItem;
    m_hItem->setText(0, QString::fromStdString(m_text));
    m_hItem->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(this)));
    // Nothing is known of the children yet, so the item offers to expand.
    m_hItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (!icon.isNull()) {
        m_hItem->setIcon(0, icon);
    }
    if (m_pParent && m_pParent->Item()) {
        m_pParent->Item()->insertChild(0, m_hItem);
    } else {
        m_pTree->insertTopLevelItem(0, m_hItem);
    }
}

LS_DITCtrlEntry* LS_DITCtrlEntry::FindChild(const harrow::QRDN& rdn) const {
    for (const std::unique_ptr<LS_DITCtrlEntry>& child : m_children) {
        if (child->RDN() == rdn) {
            return child.get();
        }
    }
    return nullptr;
}

LS_DITCtrlEntry* LS_DITCtrlEntry::AddChild(const harrow::QRDN& rdn, const QIcon& icon) {
    m_children.insert(m_children.begin(),
                      std::make_unique<LS_DITCtrlEntry>(rdn, icon, this, m_pTree));
    return m_children.front().get();
}
