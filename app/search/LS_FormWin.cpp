#include "search/LS_FormWin.h"

#include "platform/LS_StatusReport.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "search/LS_Button.h"
#include "search/LS_FormEdit.h"
#include "search/LS_SearchPages.h"

#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qform.h"
#include "forms/qforminput.h"
#include "model/qstringlist.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace {

// The width and height of the system's three-dimensional edge.
const int edgeWidth = 2;
const int edgeHeight = 2;

QFont FormFont(int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::SansSerif);
    font.setFixedPitch(false);
    return font;
}

} // namespace

LS_FormWin::LS_FormWin(harrow::QForm* form, const LS_SearchContext& searchContext)
    : m_context(searchContext), m_pForm(form),
      m_handler(*searchContext.status, *searchContext.entryList, *searchContext.tree) {
    harrow::QFormInput* target = nullptr;
    harrow::PtrList<harrow::QFormInput> context;
    m_pForm->BuildInputFields(target, context);
    m_pInput.reset(target);
    for (harrow::QFormInput* input : context) {
        m_inputs.emplace_back(input);
    }
}

LS_FormWin::~LS_FormWin() = default;

void LS_FormWin::Create(QWidget* parent, const QRect& rect, int id) {
    setParent(parent);
    setObjectName(QString::number(id));
    setWindowTitle(QString::fromStdString(m_pForm->Name()));
    setGeometry(rect);
    hide();
    CreateFonts();
    if (!m_pForm->TipString().empty()) {
        m_tipText = CreateText(m_pForm->TipString(), m_boldFont);
    }
    if (!m_pForm->HelpString().empty()) {
        m_helpText = CreateText(m_pForm->HelpString(), m_font);
    }
    if (m_pInput) {
        CreateRows(m_pInput.get());
    }
    for (const std::unique_ptr<harrow::QFormInput>& input : m_inputs) {
        CreateRows(input.get());
    }
    m_btnSearch = CreateButton(res::IDS_SEARCH_BUTTON, ID_SEARCH);
    m_btnClear = CreateButton(res::IDS_CLEAR_FORM_BUTTON, ID_CLEAR);
    connect(m_btnSearch, &QPushButton::clicked, this, &LS_FormWin::OnSearch);
    connect(m_btnClear, &QPushButton::clicked, this, &LS_FormWin::OnClearForm);
    Layout();
}

void LS_FormWin::CreateFonts() {
    m_font = FormFont(QFont::Normal);
    m_boldFont = FormFont(QFont::Bold);
    setFont(m_font);
}

QLabel* LS_FormWin::CreateText(const std::string& text, const QFont& font) {
    auto* label = new QLabel(QString::fromStdString(text), this);
    label->setObjectName(QString::number(ID_TEXT));
    // The directory's administrator writes these texts; markup in them is shown as written.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->show();
    return label;
}

void LS_FormWin::CreateRows(harrow::QFormInput* input) {
    harrow::QStringList names;
    input->GetFieldNames(names);
    for (const std::string& name : names) {
        m_rows.push_back(std::make_unique<LS_FormFieldRow>(this, input, name, m_nextId, m_font));
        m_nextId += 2;
    }
}

LS_Button* LS_FormWin::CreateButton(unsigned int stringId, int id) {
    const QString text = LS_StringTable::Load(stringId);
    auto* button = new LS_Button(text, this);
    button->setObjectName(QString::number(id));
    button->setFont(m_font);
    const QFontMetrics metrics(m_font);
    button->resize(metrics.horizontalAdvance(text) + 4 * edgeWidth,
                   metrics.height() + 4 * edgeHeight);
    button->show();
    return button;
}

void LS_FormWin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_btnSearch && m_btnClear) {
        Layout();
    }
}

void LS_FormWin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_btnSearch && m_btnClear) {
        Layout();
    }
    if (!m_rows.empty()) {
        m_rows.front()->Edit()->setFocus(Qt::OtherFocusReason);
    }
}

void LS_FormWin::Layout() {
    const int left = MARGIN;
    const int right = width() - MARGIN;
    int top = MARGIN;
    for (QLabel* text : {m_tipText, m_helpText}) {
        if (text) {
            top = LayoutText(text, left, right, top) + MARGIN;
        }
    }
    for (const std::unique_ptr<LS_FormFieldRow>& row : m_rows) {
        top = row->Layout(left, right, top) + MARGIN;
    }
    top += MARGIN;
    m_btnSearch->move(left, top);
    m_btnClear->move(m_btnSearch->geometry().right() + 1 + MARGIN, top);
}

int LS_FormWin::LayoutText(QLabel* text, int left, int right, int top) {
    const int width = std::max(0, right - left);
    const QRect needed =
        QFontMetrics(text->font())
            .boundingRect(QRect(0, 0, width, 0x7fff),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text->text());
    text->setGeometry(left, top, width, needed.height());
    return top + needed.height();
}

void LS_FormWin::OnClearForm() {
    for (const std::unique_ptr<LS_FormFieldRow>& row : m_rows) {
        row->Edit()->setText(QString());
    }
}

void LS_FormWin::OnSearch() {
    m_context.status->SetStatusText(QString());
    if (m_pSearch.Get() && m_pSearch.Get()->Finished() == 1) {
        m_pSearch.Delete();
    }
    for (const std::unique_ptr<LS_FormFieldRow>& row : m_rows) {
        row->StoreValue();
    }
    StartSearch();
}

void LS_FormWin::StartSearch() {
    harrow::QDSManager* manager = m_context.manager;
    if (!manager || !m_pInput) {
        return;
    }
    harrow::QFormInput* target = m_pInput->CopySelf();
    harrow::PtrList<harrow::QFormInput> context;
    for (const std::unique_ptr<harrow::QFormInput>& input : m_inputs) {
        context.AddTail(input->CopySelf());
    }
    m_handler.Reset();
    harrow::QFormSearch* search =
        m_pSearch.Create(manager, manager->GenRequestID(), &m_handler, m_pForm, target, context);
    harrow::QError* error = nullptr;
    if (search->Invoke(error)) {
        m_context.entryList->Clear();
        m_context.pages->ShowBrowser();
        m_context.pages->ShowEntryList();
        return;
    }
    m_pSearch.Delete();
    // The rows of the previous search would look like this one's answer.
    m_context.entryList->Clear();
    // The user is told why nothing happens.
    if (error) {
        std::string sentence;
        error->Print(sentence);
        m_context.status->SetStatusText(QString::fromStdString(sentence));
        m_context.status->FlashStatus();
    }
    delete error;
}

QWidget* LS_FormWin::FocusEntryList() {
    if (!m_context.pages->ShowEntryList()) {
        return nullptr;
    }
    LS_EntryListCtrl* list = m_context.entryList;
    list->setFocus(Qt::TabFocusReason);
    return list;
}

std::vector<QWidget*> LS_FormWin::TabStops() const {
    std::vector<QWidget*> stops;
    for (const std::unique_ptr<LS_FormFieldRow>& row : m_rows) {
        stops.push_back(row->Edit());
    }
    stops.push_back(m_btnSearch);
    stops.push_back(m_btnClear);
    return stops;
}

QWidget* LS_FormWin::FocusNextTabStop(QWidget* current, int previous) {
    const std::vector<QWidget*> stops = TabStops();
    const auto at = std::find(stops.begin(), stops.end(), current);
    // Past the form's last control the keyboard goes on to the matches.
    if (!previous && at != stops.end() && *at == stops.back()) {
        if (QWidget* list = FocusEntryList()) {
            return list;
        }
    }
    const int count = static_cast<int>(stops.size());
    int index = at == stops.end() ? 0 : static_cast<int>(at - stops.begin());
    if (at != stops.end()) {
        index = (index + (previous ? count - 1 : 1)) % count;
    }
    QWidget* next = stops[static_cast<std::size_t>(index)];
    next->setFocus(previous ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    return next;
}
