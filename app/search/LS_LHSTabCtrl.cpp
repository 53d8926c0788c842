#include "search/LS_LHSTabCtrl.h"

#include "platform/LS_StringTable.h"
#include "search/LS_DITCtrl.h"

#include "access/qdsmanager.h"
#include "forms/qformconfiguration.h"
#include "model/qstringlist.h"

#include <QSignalBlocker>

namespace {

const QColor flashColour(0x00, 0x00, 0x7f);

} // namespace

LS_LHSTabCtrl::LS_LHSTabCtrl(const LS_SearchContext& context, QWidget* parent)
    : LS_TabCtrlBase(parent), m_context(context) {
    connect(this, &QTabWidget::currentChanged, this, &LS_LHSTabCtrl::OnSelChange);
}

LS_LHSTabCtrl::~LS_LHSTabCtrl() {
    // Taking the pages away changes the selection, which must not be followed any more.
    const QSignalBlocker blocker(this);
    if (m_context.tree) {
        m_context.tree->Destroy();
    }
    m_formWins.clear();
}

void LS_LHSTabCtrl::FirstUpdate() {
    const QRect area(QPoint(0, 0), DisplayArea().size());
    LS_DITCtrl* tree = m_context.tree;
    tree->Create(area, this, 0);
    addTab(tree, QStringLiteral("Browser"));
    harrow::QDSManager* manager = m_context.manager;
    harrow::QFormConfiguration* config = manager ? manager->FormConfig() : nullptr;
    if (config) {
        harrow::QStringList names;
        config->GetFormList(names);
        for (const std::string& name : names) {
            harrow::QForm* form = config->GetForm(name);
            if (!form) {
                continue;
            }
            auto window = std::make_unique<LS_FormWin>(form, m_context);
            const int page = count();
            window->Create(this, area, page);
            insertTab(page, window.get(), LS_StringTable::Literal(QString::fromStdString(name)));
            m_formWins.push_back(std::move(window));
        }
    }
    setCurrentIndex(0);
    m_current = 0;
}

void LS_LHSTabCtrl::OnSelChange(int index) {
    if (index >= 0) {
        m_current = index;
    }
}

void LS_LHSTabCtrl::SelectForm(int form, int flash) {
    if (form < 1 || form >= count() || form == m_current) {
        return;
    }
    setCurrentIndex(form);
    if (flash) {
        FlashPage(widget(form));
    }
}

void LS_LHSTabCtrl::ShowBrowser() {
    if (m_current != 0) {
        setCurrentIndex(0);
    }
}

void LS_LHSTabCtrl::FlashPage(QWidget* page) {
    const bool hadPalette = page->testAttribute(Qt::WA_SetPalette);
    const QPalette own = page->palette();
    const bool filled = page->autoFillBackground();
    QPalette flashed = own;
    flashed.setColor(QPalette::Window, flashColour);
    page->setAutoFillBackground(true);
    page->setPalette(flashed);
    page->repaint();
    page->setPalette(hadPalette ? own : QPalette());
    page->repaint();
    page->setAutoFillBackground(filled);
}
