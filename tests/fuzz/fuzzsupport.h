// Shared by the fuzz targets: the shipped schema behind a manager with one registered connection,
// capture of the engine's diagnostics, scratch files, and the one way a target reports a broken
// property. It owns the manager and the scratch folder for the life of the process.
#pragma once

#include "access/qdsmanager.h"
#include "qdebugoutput.h"

#include <string>
#include <vector>

namespace larkspur::fuzz {

// A manager whose OID table holds the shipped schema; made on first use and kept.
harrow::QDSManager& Manager();
// The manager's one connection (registered, never bound).
long ConnectionId();

// Collects the engine's diagnostics from construction to destruction instead of printing them.
class Diagnostics {
public:
    Diagnostics();
    Diagnostics(const Diagnostics&) = delete;
    Diagnostics& operator=(const Diagnostics&) = delete;
    ~Diagnostics();

    const std::vector<std::string>& Messages() const { return messages; }

private:
    std::vector<std::string> messages;
    harrow::QDebugOutput::Sink previous;
};

// A path in this process's own scratch folder.
std::string ScratchPath(const std::string& name);
void WriteFile(const std::string& path, const std::string& bytes);

// Aborts with the property and the detail on stderr when the property does not hold, so that
// libFuzzer keeps the input as a crash.
void Require(bool holds, const char* property, const std::string& detail = std::string());

} // namespace larkspur::fuzz
