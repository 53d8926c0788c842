#include "access/qlogfile.h"

#include <algorithm>
#include <ctime>

namespace harrow {

namespace {

// One call's formatted text, terminator included; anything longer is cut at the limit.
constexpr std::size_t kFormatBufferSize = 4096;

constexpr std::string_view kSeparator =
    "--------------------------------------------------------\n";

std::string_view Format(char (&buffer)[kFormatBufferSize], const char* format, va_list args) {
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0) {
        return {};
    }
    return {buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1)};
}

std::string_view LocalTime(char (&buffer)[32]) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {buffer, std::strftime(buffer, sizeof buffer, "%d/%m %H:%M:%S", &local)};
}

} // namespace

QLogFile* QLogFile::c_pLogFile = nullptr;

QLogFile::QLogFile(const char* fileName) : file(fileName ? std::fopen(fileName, "a") : nullptr) {}

QLogFile::~QLogFile() {
    if (c_pLogFile == this) {
        c_pLogFile = nullptr;
    }
}

int QLogFile::Open(const char* fileName) {
    Close();
    auto log = std::unique_ptr<QLogFile>(new QLogFile(fileName));
    if (!log->file) {
        return 0;
    }
    c_pLogFile = log.release();
    return 1;
}

void QLogFile::Close() {
    delete c_pLogFile;
}

void QLogFile::Log(const char* format, ...) {
    if (!c_pLogFile) {
        return;
    }
    WriteString(kSeparator);
    va_list args;
    va_start(args, format);
    LogV(format, args);
    va_end(args);
}

void QLogFile::LogV(const char* format, va_list args) {
    if (!c_pLogFile) {
        return;
    }
    char time[32];
    WriteLine(LocalTime(time), format, args);
}

void QLogFile::LogRaw(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogRawV(format, args);
    va_end(args);
}

void QLogFile::LogRawV(const char* format, va_list args) {
    if (c_pLogFile) {
        WriteLine({}, format, args);
    }
}

void QLogFile::WriteLine(std::string_view lead, const char* format, va_list args) {
    char text[kFormatBufferSize];
    const std::string_view formatted = Format(text, format, args);
    WriteString(lead);
    WriteString(formatted);
    WriteString("\n");
    Flush();
}

void QLogFile::WriteString(std::string_view text) {
    if (c_pLogFile && !text.empty()) {
        std::fwrite(text.data(), 1, text.size(), c_pLogFile->file.get());
    }
}

void QLogFile::Flush() {
    if (c_pLogFile) {
        std::fflush(c_pLogFile->file.get());
    }
}

} // namespace harrow
