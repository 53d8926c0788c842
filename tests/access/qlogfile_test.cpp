#include "access/qlogfile.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <unistd.h>

using harrow::QLogFile;
using larkspur::test::ReadFile;

namespace {

const std::string kSeparator(56, '-');

// Sees whether a log is open, which only the class and its heirs may ask.
class OpenLog : public QLogFile {
public:
    static bool Exists() { return c_pLogFile != nullptr; }
};

void Timestamped(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Timestamped(const char* format, ...) {
    va_list args;
    va_start(args, format);
    QLogFile::LogV(format, args);
    va_end(args);
}

void Raw(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Raw(const char* format, ...) {
    va_list args;
    va_start(args, format);
    QLogFile::LogRawV(format, args);
    va_end(args);
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[8];
    std::strftime(text, sizeof text, "%d/%m", &local);
    return text;
}

// Replaces every timestamp at a line start with a fixed mark, so the rest compares exactly.
std::string WithoutTimes(const std::string& log) {
    static const std::regex timestamp(R"((^|\n)\d\d/\d\d \d\d:\d\d:\d\d)");
    return std::regex_replace(log, timestamp, "$1DD/MM HH:MM:SS");
}

class QLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("larkspur-log-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        path = (folder / "harrow.log").string();
    }
    void TearDown() override {
        QLogFile::Close();
        std::filesystem::remove_all(folder);
    }

    std::filesystem::path folder;
    std::string path;
};

TEST_F(QLogFileTest, WritesRecordsExactly) {
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    const std::string before = Today();
    QLogFile::Log("QDSManager::Poll()");
    QLogFile::LogRaw("Host: %s", "ldap.example.com");
    Raw("Port: %d", 389);
    Timestamped("Message ID: %d", 7);
    QLogFile::LogRaw("%s\t\t\nsecond line\nthird line",
                     "A directory server connection was lost.\t\t\t\t this may be due to a "
                     "server or network error.");
    QLogFile::Log("QBindManager::Bind()");
    QLogFile::LogRaw("DN: %s", "cn=admin,dc=example,dc=com");
    const std::string after = Today();
    QLogFile::Close();

    const std::string log = ReadFile(path);
    EXPECT_EQ(WithoutTimes(log),
              ReadFile(larkspur::test::TestDataPath("access/qlogfile_records.txt")));
    // The stamp is the local day and month, then a 24-hour time of day.
    const std::regex stamp(kSeparator + R"(\n(\d\d/\d\d) ([01]\d|2[0-3]):[0-5]\d:[0-5]\d)"
                                        R"(QDSManager::Poll\(\)\n[\s\S]*)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(log, match, stamp)) << log;
    EXPECT_TRUE(match[1] == before || match[1] == after) << match[1];
}

TEST_F(QLogFileTest, FlushesEveryCall) {
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    QLogFile::Log("QDSManager::Poll()");
    EXPECT_EQ(WithoutTimes(ReadFile(path)), kSeparator + "\nDD/MM HH:MM:SSQDSManager::Poll()\n");
    QLogFile::LogRaw("Port: %d", 389);
    EXPECT_EQ(WithoutTimes(ReadFile(path)),
              kSeparator + "\nDD/MM HH:MM:SSQDSManager::Poll()\nPort: 389\n");
}

TEST_F(QLogFileTest, AppendsToAnExistingFile) {
    std::ofstream(path) << "earlier run\n";
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    QLogFile::LogRaw("later run");
    QLogFile::Close();
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    QLogFile::LogRaw("third run");
    QLogFile::Close();
    EXPECT_EQ(ReadFile(path), "earlier run\nlater run\nthird run\n");
}

TEST_F(QLogFileTest, WritesNothingWithoutAnOpenLog) {
    QLogFile::Log("before %s", "open");
    Timestamped("before");
    QLogFile::LogRaw("before");
    Raw("before");
    QLogFile::Close();
    EXPECT_FALSE(std::filesystem::exists(path));

    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    EXPECT_TRUE(OpenLog::Exists());
    QLogFile::LogRaw("while open");
    QLogFile::Close();
    EXPECT_FALSE(OpenLog::Exists());
    QLogFile::Log("after close");
    Timestamped("after close");
    QLogFile::LogRaw("after close");
    Raw("after close");
    QLogFile::Close();
    EXPECT_EQ(ReadFile(path), "while open\n");
}

TEST_F(QLogFileTest, RunsOnWhenTheFileCannotBeCreated) {
    const std::string unreachable = (folder / "missing" / "harrow.log").string();
    EXPECT_EQ(QLogFile::Open(unreachable.c_str()), 0);
    EXPECT_FALSE(OpenLog::Exists());
    QLogFile::Log("QDSManager::Poll()");
    QLogFile::LogRaw("Host: %s", "ldap.example.com");
    EXPECT_FALSE(std::filesystem::exists(unreachable));
    EXPECT_EQ(QLogFile::Open(nullptr), 0);
}

TEST_F(QLogFileTest, ReopeningMovesToTheNewFile) {
    const std::string other = (folder / "other.log").string();
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    QLogFile::LogRaw("first");
    ASSERT_EQ(QLogFile::Open(other.c_str()), 1);
    QLogFile::LogRaw("second");
    QLogFile::Close();
    EXPECT_EQ(ReadFile(path), "first\n");
    EXPECT_EQ(ReadFile(other), "second\n");
}

// One call's text is cut at the 4096-byte buffer, terminator included, and the line still ends.
TEST_F(QLogFileTest, CutsTextLongerThanTheBuffer) {
    const std::string longText(10 * 1024, 'x');
    const std::string kept(4095, 'x');
    ASSERT_EQ(QLogFile::Open(path.c_str()), 1);
    QLogFile::Log("%s", longText.c_str());
    QLogFile::LogRaw("%s", longText.c_str());
    Timestamped("%s", longText.c_str());
    QLogFile::LogRaw("next");
    QLogFile::Close();
    EXPECT_EQ(WithoutTimes(ReadFile(path)), kSeparator + "\nDD/MM HH:MM:SS" + kept + "\n" + kept +
                                                "\nDD/MM HH:MM:SS" + kept + "\nnext\n");
}

} // namespace
