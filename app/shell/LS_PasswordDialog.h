// LS_PasswordDialog: asks once at start-up for the password of the configured bind DN, in a
// masked field, offering to remember it in the desktop's keyring where one answers. It owns its
// widgets; the password stays in the field until the caller takes it.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

class LS_PasswordDialog : public QDialog {
    Q_OBJECT

public:
    // keyringOffered shows "Remember in the keyring"; without a keyring the password lives only
    // in memory.
    LS_PasswordDialog(const QString& bindDN, const QString& host, bool keyringOffered,
                      QWidget* parent = nullptr);

    QString Password() const;
    bool RememberInKeyring() const;

private:
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
};
