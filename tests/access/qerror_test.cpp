#include "access/qerror.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

using harrow::QError;

namespace {

unsigned long Folded(int ldapResult) {
    return QError(ldapResult, nullptr).ErrorCode();
}

std::string Sentence(unsigned long code) {
    std::string text = "left over";
    QError(code).Print(text);
    return text;
}

} // namespace

TEST(QErrorTest, FoldsEveryListedLDAPResult) {
    const std::vector<std::pair<std::vector<int>, unsigned long>> table = {
        {{0}, 0},
        {{16, 17, 21, 65, 67, 68}, 1793},
        {{32, 33, 34, 36}, 1794},
        {{1, 19, 35, 51, 52, 53, 54, 64, 66}, 1795},
        {{7, 8, 48, 49, 50, 86}, 1798},
        {{20, 69}, 1800},
        {{80, 82, 83, 84}, 1825},
        {{5, 18}, 1828},
        {{3}, 1829},
        {{4}, 1830},
        {{2}, 1834},
        {{87}, 1836},
        {{81}, 1838},
    };
    for (const auto& [results, engineCode] : table) {
        for (const int result : results) {
            EXPECT_EQ(Folded(result), engineCode) << "LDAP result " << result;
        }
    }
}

TEST(QErrorTest, FoldsUnlistedLDAPResultsToServiceError) {
    for (const int result :
         {6, 9, 10, 11, 12, 13, 14, 85, 88, 89, 90, 91, 100, 118, 1792, 1844, 4096, -100}) {
        EXPECT_EQ(Folded(result), 1795u) << "LDAP result " << result;
    }
}

// libldap's own client-side failures are negative numbers; they mean what 81 and upwards mean
// in the classic interface, and a lost server in particular must not read as a service error.
TEST(QErrorTest, FoldsLibldapClientResultsLikeTheirClassicNumbers) {
    EXPECT_EQ(Folded(LDAP_SERVER_DOWN), 1838u);
    EXPECT_EQ(Folded(LDAP_LOCAL_ERROR), 1825u);
    EXPECT_EQ(Folded(LDAP_ENCODING_ERROR), 1825u);
    EXPECT_EQ(Folded(LDAP_DECODING_ERROR), 1825u);
    EXPECT_EQ(Folded(LDAP_AUTH_UNKNOWN), 1798u);
    EXPECT_EQ(Folded(LDAP_FILTER_ERROR), 1836u);
    EXPECT_EQ(Folded(LDAP_TIMEOUT), 1795u);
    EXPECT_EQ(Folded(LDAP_USER_CANCELLED), 1795u);
    EXPECT_EQ(Folded(LDAP_CONNECT_ERROR), 1795u);
}

TEST(QErrorTest, KeepsEngineCodesGivenAsResults) {
    for (int code = 1793; code <= 1843; ++code) {
        EXPECT_EQ(Folded(code), static_cast<unsigned long>(code));
    }
}

TEST(QErrorTest, PrintsTheSentenceOfEveryCode) {
    std::istringstream expected(
        larkspur::test::ReadFile(larkspur::test::TestDataPath("access/qerror_sentences.txt")));
    std::string line;
    int lines = 0;
    while (std::getline(expected, line)) {
        const std::size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        const unsigned long code = std::stoul(line.substr(0, colon));
        EXPECT_EQ(Sentence(code), line.substr(colon + 2)) << "code " << code;
        ++lines;
    }
    EXPECT_EQ(lines, 52);
}

TEST(QErrorTest, SecureConnectionSentencesNameTheHost) {
    std::istringstream expected(
        larkspur::test::ReadFile(larkspur::test::TestDataPath("access/qerror_host_sentences.txt")));
    int lines = 0;
    for (std::string line; std::getline(expected, line); ++lines) {
        const std::size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        const unsigned long code = std::stoul(line.substr(0, colon));
        std::string text;
        QError(code, "ldap.example.org").Print(text);
        EXPECT_EQ(text, line.substr(colon + 2)) << "code " << code;
        EXPECT_EQ(QError(code, "ldap.example.org").Host(), "ldap.example.org");
    }
    EXPECT_EQ(lines, 4);
}

TEST(QErrorTest, DefaultErrorIsSuccess) {
    const QError error;
    std::string text;
    error.Print(text);
    EXPECT_EQ(error.ErrorCode(), 0u);
    EXPECT_EQ(text, "Operation successful");
}

TEST(QErrorTest, EngineRaisedErrorsPrintTheirSentence) {
    std::string text;
    QError(1833, nullptr).Print(text);
    EXPECT_EQ(text, "The directory service is busy at present.");
    QError(87, nullptr).Print(text);
    EXPECT_EQ(text, "Unrecognized error!");
}

TEST(QErrorTest, CopiesAndReplacesTheCode) {
    QError original(1826ul);
    QError copy(original);
    EXPECT_EQ(copy.ErrorCode(), 1826u);
    QError assigned;
    assigned = original;
    EXPECT_EQ(assigned.ErrorCode(), 1826u);
    original.Set(1827);
    EXPECT_EQ(original.ErrorCode(), 1827u);
    EXPECT_EQ(copy.ErrorCode(), 1826u);
}
