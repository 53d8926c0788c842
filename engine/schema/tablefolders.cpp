#include "schema/tablefolders.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace harrow {

namespace {

constexpr const char* kExtensions[] = {".gen", ".at", ".oc"};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string UserDataHome() {
    const std::string configured = Environment("XDG_DATA_HOME");
    if (IsAbsolute(configured)) {
        return configured;
    }
    const std::string home = Environment("HOME");
    return IsAbsolute(home) ? home + "/.local/share" : std::string();
}

std::vector<std::string> SystemDataFolders() {
    std::string list = Environment("XDG_DATA_DIRS");
    if (list.empty()) {
        list = "/usr/local/share/:/usr/share/";
    }
    std::vector<std::string> folders;
    std::string_view rest = list;
    while (!rest.empty()) {
        const std::string_view::size_type colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (IsAbsolute(folder)) {
            folders.emplace_back(folder);
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return folders;
}

std::string Joined(std::string folder, std::string_view name) {
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder.append(name);
}

bool HoldsAllFiles(const std::string& stem) {
    std::error_code ignored;
    for (const char* extension : kExtensions) {
        if (!std::filesystem::is_regular_file(stem + extension, ignored)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<std::string> OidTableFolders() {
    std::vector<std::string> folders;
    if (const std::string home = UserDataHome(); !home.empty()) {
        folders.push_back(Joined(home, "larkspur"));
    }
    for (const std::string& folder : SystemDataFolders()) {
        folders.push_back(Joined(folder, "larkspur"));
    }
    return folders;
}

std::string LocateOidTables(const std::string& stem) {
    if (stem.find('/') != std::string::npos || HoldsAllFiles(stem)) {
        return stem;
    }
    for (const std::string& folder : OidTableFolders()) {
        const std::string candidate = Joined(folder, stem);
        if (HoldsAllFiles(candidate)) {
            return candidate;
        }
    }
    return stem;
}

} // namespace harrow
