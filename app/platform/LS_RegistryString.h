// LS_RegistryString: reads one string value of an open registry key as text, the way the display
// settings read theirs: through a fixed-size buffer, with or without a type check. It owns nothing.
#pragma once

#include <string>

class LS_RegistryKey;
class LS_Settings;

class LS_RegistryString {
public:
    // Reads the value through a buffer of bufferSize bytes (0: as large as the value) and keeps
    // the text up to its terminator. With checkType the value must be a string and failures are
    // reported by the settings' registry reader; without it the stored type is not looked at
    // and nothing is reported. 0 when the value is missing, does not fit or has the wrong type.
    static int Read(const LS_Settings& settings, const LS_RegistryKey* key, const char* valueName,
                    bool checkType, unsigned long bufferSize, std::string& text);
};
