#include "support/testdata.h"

#include <fstream>
#include <sstream>

namespace larkspur::test {

std::string DataPath(const std::string& relative) {
    return std::string(LARKSPUR_DATA_DIR) + "/" + relative;
}

std::string TestDataPath(const std::string& relative) {
    return std::string(LARKSPUR_TEST_DATA_DIR) + "/" + relative;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace larkspur::test
