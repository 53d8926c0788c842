// Paths of the shipped data and of the test-only fixtures, and a reader for expected-text files.
#pragma once

#include <string>

namespace larkspur::test {

// A file below data/ (the shipped OID tables, schema and LDIF).
std::string DataPath(const std::string& relative);
// A file below tests/data/ (fixtures and expected texts).
std::string TestDataPath(const std::string& relative);
// The whole content of a file, byte for byte; empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace larkspur::test
