#include "search/LS_FormFieldRow.h"

#include "search/LS_FormEdit.h"

#include "forms/qforminput.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

// The height of the system's three-dimensional edge.
const int edgeHeight = 2;

} // namespace

LS_FormFieldRow::LS_FormFieldRow(QWidget* parent, harrow::QFormInput* input,
                                 const std::string& fieldName, int labelId, const QFont& font)
    : m_pParent(parent), m_pInput(input), m_fieldName(fieldName),
      m_label(new QLabel(QString::fromStdString(fieldName), parent)),
      m_edit(new LS_FormEdit(parent)), m_labelId(labelId), m_editId(labelId + 1) {
    m_label->setObjectName(QString::number(m_labelId));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(font);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_edit->setObjectName(QString::number(m_editId));
    m_edit->setFont(font);
    m_edit->setFocusPolicy(Qt::StrongFocus);
    m_edit->setFrame(true);
    m_label->show();
    m_edit->show();
}

LS_FormFieldRow::~LS_FormFieldRow() = default;

int LS_FormFieldRow::Layout(int left, int right, int top) {
    const QFontMetrics metrics(m_pParent->font());
    const int width = metrics.horizontalAdvance(QString::fromStdString(m_fieldName));
    const int height = metrics.height();
    const int rowHeight = height + 2 * edgeHeight;
    m_label->setGeometry(QRect(QPoint(left, top + edgeHeight), QPoint(left + width, top + height))
                             .adjusted(0, 0, -1, -1));
    m_edit->setGeometry(left + width, top, right - left - width, rowHeight);
    m_rect = QRect(left, top, right - left, rowHeight);
    return top + rowHeight;
}

void LS_FormFieldRow::StoreValue() const {
    m_pInput->SetFieldValue(m_fieldName, m_edit->text().toStdString());
}
