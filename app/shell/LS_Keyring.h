// LS_Keyring: the desktop's keyring (through QtKeychain) as the one place a password may be kept
// beyond the program's memory; nothing is ever written to a file instead. It owns nothing but
// the name the password is kept under.
#pragma once

#include <QString>

#include <optional>

class LS_Keyring {
public:
    // The password of bindDN on host.
    LS_Keyring(const QString& bindDN, const QString& host);

    // The kept password, if there is one; available tells whether a keyring answered at all.
    std::optional<QString> Read(bool& available) const;
    // Keeps the password; false when the keyring would not.
    bool Write(const QString& password) const;

private:
    QString m_key;
};
