#include "shell/LS_PasswordDialog.h"

#include "platform/LS_StringTable.h"
#include "platform/Resource.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LS_PasswordDialog::LS_PasswordDialog(const QString& bindDN, const QString& host,
                                     bool keyringOffered, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(LS_StringTable::Load(res::IDS_PASSWORD_TITLE));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(LS_StringTable::Load(res::IDS_PASSWORD_PROMPT).arg(bindDN, host));
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    m_password = new QLineEdit;
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    prompt->setBuddy(m_password);
    layout->addWidget(m_password);

    m_remember = new QCheckBox(LS_StringTable::Load(res::IDS_REMEMBER_PASSWORD));
    m_remember->setObjectName(QStringLiteral("remember"));
    m_remember->setVisible(keyringOffered);
    layout->addWidget(m_remember);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_password->setFocus();
}

QString LS_PasswordDialog::Password() const {
    return m_password->text();
}

bool LS_PasswordDialog::RememberInKeyring() const {
    return !m_remember->isHidden() && m_remember->isChecked();
}
