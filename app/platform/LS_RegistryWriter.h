// LS_RegistryWriter: changes values in the registry file while leaving every other line, comment
// and byte of it as it was, as a person editing the file by hand would. It owns the changes
// waiting to be written.
#pragma once

#include <QByteArray>

#include <string>
#include <utility>
#include <vector>

class LS_RegistryWriter {
public:
    explicit LS_RegistryWriter(std::string path);

    // Key paths are full ("HKEY_CURRENT_USER\Software\..."); keys and value names match ignoring
    // letter case, as the registry matches them.
    void SetString(const std::string& keyPath, const std::string& name, const std::string& text);
    void SetNumber(const std::string& keyPath, const std::string& name, unsigned long number);
    void SetBinary(const std::string& keyPath, const std::string& name, const QByteArray& bytes);

    // Writes the file with the changes, replacing it whole or not at all; false when it could
    // not be read or written.
    bool Save() const;

    // The file's text with the changes made, given its text as it stands.
    std::string Apply(const std::string& text) const;

private:
    struct Change {
        std::string keyPath;
        std::string name;
        std::string data; // as the file writes it after the "="
    };

    void Set(const std::string& keyPath, const std::string& name, std::string data);

    std::string m_path;
    std::vector<Change> m_changes;
};
