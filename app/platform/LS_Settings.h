// LS_Settings: what the windows and loaders use of the program's per-user settings: the keys of
// its registry, where that registry is kept, and the error box of a setting that is missing. The
// application implements it; it owns nothing.
#pragma once

#include <memory>
#include <string>

class LS_RegistryKey;

class LS_Settings {
public:
    // The buffer the start-up settings' strings are read through.
    static constexpr unsigned long STRING_BUFFER_SIZE = 4096;

    LS_Settings() = default;
    LS_Settings(const LS_Settings&) = delete;
    LS_Settings& operator=(const LS_Settings&) = delete;
    virtual ~LS_Settings() = default;

    // Opens Software, the company, Larkspur and then keyName (which may hold several levels)
    // below the current user's key. Null, after a diagnostic, when a level is missing.
    virtual std::unique_ptr<LS_RegistryKey> OpenRegistryKey(const char* keyName) = 0;
    // 1 with the data and its size filled in; 0, after a diagnostic, when the value is missing,
    // does not fit, or is not of the expected type.
    virtual int ReadRegistryValue(const LS_RegistryKey* key, const char* valueName,
                                  unsigned long expectedType, void* data,
                                  unsigned long& size) const = 0;
    // The registry file, and the full path of a key below the program's own as it names it.
    virtual std::string RegistryFilePath() const = 0;
    virtual std::string RegistryKeyPath(const char* keyName) const = 0;
    // An error box with the string as its text and "Error!" as its caption.
    virtual void ShowError(unsigned int stringId) = 0;
};
