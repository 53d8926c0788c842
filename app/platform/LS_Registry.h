// LS_Registry: the per-user registry, read from one file in regedit's text format; it owns the
// keys and values parsed from it. LS_RegistryKey is an open key: a view onto one of those keys.
#pragma once

#include <map>
#include <memory>
#include <string>

// Registry value types, numbered as the registry numbers them (diagnostics print the numbers).
enum LS_RegType : unsigned long {
    LS_REG_NONE = 0,
    LS_REG_SZ = 1,
    LS_REG_EXPAND_SZ = 2,
    LS_REG_BINARY = 3,
    LS_REG_DWORD = 4,
    LS_REG_MULTI_SZ = 7,
    LS_REG_QWORD = 11,
};

class LS_Registry {
public:
    struct Value {
        unsigned long type = LS_REG_NONE;
        // The bytes as a registry query hands them out: strings with their terminator, numbers
        // little-endian.
        std::string data;
    };

    // A registry holding what the file at path says; a missing file gives an empty registry.
    static std::unique_ptr<LS_Registry> FromFile(const std::string& path);

    // Adds the keys and values of one file's text. Every line that cannot be understood is
    // reported on the debugger output with its number and skipped; returns how many were.
    int Parse(const std::string& text, const std::string& sourceName);

    // Key paths are full ("HKEY_CURRENT_USER\Software\...") and, like value names, match
    // ignoring letter case.
    bool HasKey(const std::string& keyPath) const;
    const Value* FindValue(const std::string& keyPath, const std::string& valueName) const;
    unsigned long SubKeyCount(const std::string& keyPath) const;
    unsigned long ValueCount(const std::string& keyPath) const;

private:
    struct Key {
        std::map<std::string, Value> values; // by lower-cased name
    };

    class LineParser;

    Key& AddKey(const std::string& keyPath);
    void DeleteKey(const std::string& keyPath);

    std::map<std::string, Key> keys; // by lower-cased full path
};

class LS_RegistryKey {
public:
    static constexpr const char* CurrentUser = "HKEY_CURRENT_USER";

    LS_RegistryKey(const LS_Registry& registry, std::string keyPath);

    const std::string& Path() const { return path; }

    // Opens a key below this one; the name may hold several levels separated by backslashes.
    // Null when there is no such key.
    std::unique_ptr<LS_RegistryKey> OpenSubKey(const std::string& name) const;

    // Reads a value the way a registry query does: always hands back the stored type and size;
    // copies the data only when data is not null and size is large enough. False when the value
    // does not exist or the buffer is too small.
    bool QueryValue(const std::string& name, unsigned long& type, void* data,
                    unsigned long& size) const;

    // The number of direct subkeys and of values; false when the key has gone.
    bool QueryInfo(unsigned long& subKeys, unsigned long& values) const;

private:
    const LS_Registry& registry;
    std::string path;
};
