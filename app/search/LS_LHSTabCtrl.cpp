#include "search/LS_LHSTabCtrl.h"

#include "search/LS_DITCtrl.h"
#include "platform/LS_StringTable.h"
#include "shell/Larkspur32.h"
#include "shell/MainFrm.h"

#include "access/qdsmanager.h"
#include "forms/qformconfiguration.h"
#include "model/qstringlist.h"

#include <QSignalBlocker>

namespace {

const QColor flashColour(0x00, 0x00, 0x7f);

} // namespace

LS_LHSTabCtrl::LS_LHSTabCtrl(QWidget* parent) : LS_TabCtrlBase(parent) {
    connect(this, &QTabWidget::currentChanged, this, &LS_LHSTabCtrl::OnSelChange);
}

LS_LHSTabCtrl::~LS_LHSTabCtrl() {
    // Taking the pages away changes the selection, which must not be followed any more.
    const QSignalBlocker blocker(this);
    if (CLarkspur32App* app = CLarkspur32App::Instance()) {
        app->GetDITCtrl()->Destroy();
    }
    m_formWins.clear();
}

LS_LHSTabCtrl* LS_LHSTabCtrl::FromMainFrame() {
    const CLarkspur32App* app = CLarkspur32App::Instance();
    const CMainFrame* frame = app ? app->GetMainFrame() : nullptr;
    return frame ? qobject_cast<LS_LHSTabCtrl*>(frame->LHSTabCtrl()) : nullptr;
}

void LS_LHSTabCtrl::FirstUpdate() {
    CLarkspur32App* app = CLarkspur32App::Instance();
    const QRect area(QPoint(0, 0), DisplayArea().size());
    LS_DITCtrl* tree = app->GetDITCtrl();
    tree->Create(area, this, 0);
    addTab(tree, QStringLiteral("Browser"));
    harrow::QDSManager* manager = app->GetDSManager();
    harrow::QFormConfiguration* config = manager ? manager->FormConfig() : nullptr;
    if (config) {
        harrow::QStringList names;
        config->GetFormList(names);
        for (const std::string& name : names) {
            harrow::QForm* form = config->GetForm(name);
            if (!form) {
                continue;
            }
            auto window = std::make_unique<LS_FormWin>(form);
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
