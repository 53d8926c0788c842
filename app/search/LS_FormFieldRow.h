// LS_FormFieldRow: one field of a search form window: its label, its edit field and where they
// lie. It is no window of its own; the label and the edit are children of the form window,
// which deletes them.
#pragma once

#include <QRect>

#include <string>

namespace harrow {
class QFormInput;
}
class LS_FormEdit;
class QFont;
class QLabel;
class QWidget;

class LS_FormFieldRow {
public:
    // The label (id labelId) and the edit (id labelId + 1) for field fieldName of input, in the
    // parent's font; the first row of a window (id 105) starts the edit's group.
    LS_FormFieldRow(QWidget* parent, harrow::QFormInput* input, const std::string& fieldName,
                    int labelId, const QFont& font);
    LS_FormFieldRow(const LS_FormFieldRow&) = delete;
    LS_FormFieldRow& operator=(const LS_FormFieldRow&) = delete;
    ~LS_FormFieldRow();

    // Places the row between left and right from top down: the label shows the field name and
    // the edit starts where that text ends. Returns the row's bottom.
    int Layout(int left, int right, int top);
    // Stores the typed text as the field's value in the row's input.
    void StoreValue() const;

    harrow::QFormInput* Input() const { return m_pInput; }
    const std::string& FieldName() const { return m_fieldName; }
    const QRect& Rect() const { return m_rect; }
    QLabel* Label() const { return m_label; }
    LS_FormEdit* Edit() const { return m_edit; }
    int LabelId() const { return m_labelId; }
    int EditId() const { return m_editId; }

private:
    QWidget* m_pParent;
    harrow::QFormInput* m_pInput;
    std::string m_fieldName;
    QRect m_rect;
    QLabel* m_label;
    LS_FormEdit* m_edit;
    int m_labelId;
    int m_editId;
};
