#include "platform/LS_RegistryString.h"

#include "platform/LS_Registry.h"
#include "platform/LS_Settings.h"

#include <vector>

int LS_RegistryString::Read(const LS_Settings& settings, const LS_RegistryKey* key,
                            const char* valueName, bool checkType, unsigned long bufferSize,
                            std::string& text) {
    if (!key) {
        return 0;
    }
    unsigned long size = 0;
    unsigned long type = LS_REG_NONE;
    if (bufferSize == 0) {
        if (!key->QueryValue(valueName, type, nullptr, size)) {
            size = 0;
        }
        bufferSize = size;
    }
    // One byte more than the value may fill, so that the text always ends.
    std::vector<char> buffer(bufferSize + 1, '\0');
    size = bufferSize;
    if (checkType) {
        if (!settings.ReadRegistryValue(key, valueName, LS_REG_SZ, buffer.data(), size)) {
            return 0;
        }
    } else if (!key->QueryValue(valueName, type, buffer.data(), size)) {
        return 0;
    }
    text = buffer.data();
    return 1;
}
