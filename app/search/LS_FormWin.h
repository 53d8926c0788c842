// LS_FormWin: the window of one search form, a page of the left-hand tab control: the form's
// tip and help, a labelled edit per field, and "Search" and "Clear Form". It owns its fonts, the
// copies of the form's inputs it fills, its rows, its last search and that search's handler.
#pragma once

#include "platform/LS_RequestSlot.h"
#include "search/LS_FormFieldRow.h"
#include "search/LS_FormHandler.h"
#include "search/LS_SearchContext.h"
#include "search/LS_TabStops.h"

#include "forms/qformsearch.h"
#include "ptrlist.h"

#include <QFont>
#include <QWidget>

#include <memory>
#include <vector>

namespace harrow {
class QForm;
class QFormInput;
} // namespace harrow
class LS_Button;
class QLabel;

class LS_FormWin : public QWidget, public LS_TabStops {
    Q_OBJECT

public:
    static constexpr int ID_TEXT = 102;
    static constexpr int ID_SEARCH = 103;
    static constexpr int ID_CLEAR = 104;
    static constexpr int ID_FIRST_ROW = 105;
    static constexpr int MARGIN = 8;

    // Builds the inputs the user fills from the form, which stays the configuration's; the
    // search runs in context, whose parts outlive the window.
    LS_FormWin(harrow::QForm* form, const LS_SearchContext& context);
    ~LS_FormWin() override;

    // Makes the window (titled with the form's name) in parent at rect with all its children,
    // hidden until shown; id names the window.
    void Create(QWidget* parent, const QRect& rect, int id);

    // Starts a search with the typed values.
    void OnSearch() override;
    // Empties every field; the inputs keep their values until the next search.
    void OnClearForm();

    // Gives the focus to the tab stop after (before, with previous set) the one given, going
    // round backwards and on to the entry list forwards; returns the control that has it.
    QWidget* FocusNextTabStop(QWidget* current, int previous) override;

    harrow::QForm* Form() const { return m_pForm; }
    const std::vector<std::unique_ptr<LS_FormFieldRow>>& Rows() const { return m_rows; }
    int NextId() const { return m_nextId; }
    QLabel* TipText() const { return m_tipText; }
    QLabel* HelpText() const { return m_helpText; }
    LS_Button* SearchButton() const { return m_btnSearch; }
    LS_Button* ClearButton() const { return m_btnClear; }
    harrow::QFormSearch* Search() const { return m_pSearch.Get(); }
    const LS_FormHandler& Handler() const { return m_handler; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateFonts();
    QLabel* CreateText(const std::string& text, const QFont& font);
    void CreateRows(harrow::QFormInput* input);
    LS_Button* CreateButton(unsigned int stringId, int id);
    void Layout();
    int LayoutText(QLabel* text, int left, int right, int top);
    void StartSearch();
    std::vector<QWidget*> TabStops() const;
    // Shows the entry list and gives it the focus; null when there is no frame to hold it.
    QWidget* FocusEntryList();

    LS_SearchContext m_context;
    QFont m_font;
    QFont m_boldFont;
    harrow::QForm* m_pForm;
    std::unique_ptr<harrow::QFormInput> m_pInput;
    std::vector<std::unique_ptr<harrow::QFormInput>> m_inputs;
    std::vector<std::unique_ptr<LS_FormFieldRow>> m_rows;
    int m_nextId = ID_FIRST_ROW;
    QLabel* m_tipText = nullptr;
    QLabel* m_helpText = nullptr;
    LS_Button* m_btnSearch = nullptr;
    LS_Button* m_btnClear = nullptr;
    // Declared before the search, which reports to it.
    LS_FormHandler m_handler;
    LS_RequestSlot<harrow::QFormSearch> m_pSearch;
};
