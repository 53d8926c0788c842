// Shared by the loader tests: LDIF with the server placeholders filled in, applied to a running
// throwaway server, and a manager with the shipped schema that loads forms from it.
#pragma once

#include "support/testdata.h"
#include "support/testdirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace larkspur::test {

using Placeholders = std::vector<std::pair<std::string, std::string>>;

inline std::string Substituted(std::string text, const Placeholders& placeholders) {
    for (const auto& [marker, value] : placeholders) {
        for (auto at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + value.size())) {
            text.replace(at, marker.size(), value);
        }
    }
    return text;
}

// Base-point URLs name the servers' ports, which are only known once they run, so the LDIF
// goes in after Start.
inline bool ApplyConfiguration(TestDirectory& directory, const std::string& ldifPath,
                               const Placeholders& placeholders) {
    const std::string ldif = ReadFile(ldifPath);
    EXPECT_FALSE(ldif.empty()) << ldifPath;
    return directory.ApplyLdif(Substituted(ldif, placeholders));
}

} // namespace larkspur::test
