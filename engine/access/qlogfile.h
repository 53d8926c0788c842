// QLogFile: the engine's diagnostic log of what it sends to and receives from the directory.
// Everything is static; the one open log owns its file, and without one every call does nothing.
#pragma once

#include "harrow32_export.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string_view>

namespace harrow {

class HARROW32_EXPORT QLogFile {
public:
    QLogFile(const QLogFile&) = delete;
    QLogFile& operator=(const QLogFile&) = delete;
    virtual ~QLogFile();

    // Opens (creating it if need be) the log for appending. Returns 1, or 0 when the file cannot
    // be opened, in which case the engine runs on without a log.
    static int Open(const char* fileName);
    static void Close();

    // A record: the separator line, the local time immediately followed by the text, a line end.
    static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // A timestamped line without the separator.
    static void LogV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
    // The text and a line end, without a timestamp.
    static void LogRaw(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void LogRawV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

protected:
    // Opens the file for appending; the object holds no file when that fails.
    explicit QLogFile(const char* fileName);

    static QLogFile* c_pLogFile;

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // The lead, the formatted text and a line end, flushed.
    static void WriteLine(std::string_view lead, const char* format, va_list args)
        __attribute__((format(printf, 2, 0)));
    static void WriteString(std::string_view text);
    static void Flush();

    std::unique_ptr<std::FILE, FileCloser> file;
};

} // namespace harrow
