#include "fuzzsupport.h"

#include "access/qbindmanager.h"
#include "qdebugoutput.h"
#include "schema/oidtable.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

namespace larkspur::fuzz {

namespace {

struct ShippedWorld {
    ShippedWorld() {
        Diagnostics quiet;
        const std::string stem = std::string(LARKSPUR_DATA_DIR) + "/oidtable32";
        Require(manager.Table()->Load(stem.c_str()) == 1, "the shipped schema loads", stem);
        connId = manager.BindManager()->OpenConnection("127.0.0.1", 389, "", "");
    }

    harrow::QDSManager manager;
    long connId = -1;
};

ShippedWorld& World() {
    static ShippedWorld world;
    return world;
}

// Made on first use and removed when the process ends normally.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        path = std::filesystem::path(tmp != nullptr ? tmp : "/tmp") /
               ("larkspur-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::filesystem::path path;
};

} // namespace

harrow::QDSManager& Manager() {
    return World().manager;
}

long ConnectionId() {
    return World().connId;
}

Diagnostics::Diagnostics()
    : previous(harrow::QDebugOutput::SetSink(
          [this](const std::string& message) { messages.push_back(message); })) {}

Diagnostics::~Diagnostics() {
    harrow::QDebugOutput::SetSink(std::move(previous));
}

std::string ScratchPath(const std::string& name) {
    static const ScratchFolder folder;
    return (folder.path / name).string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Require(bool holds, const char* property, const std::string& detail) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "Property broken: %s\n", property);
    std::fwrite(detail.data(), 1, detail.size(), stderr);
    std::fputc('\n', stderr);
    std::abort();
}

} // namespace larkspur::fuzz
