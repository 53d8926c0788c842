#include "model/qstringlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using harrow::QStringList;

std::vector<std::string> Items(const QStringList& list) {
    return {list.begin(), list.end()};
}

TEST(QStringListTest, SplitKeepsEmptyAndUntrimmedPieces) {
    QStringList list;
    EXPECT_EQ(3u, list.SetSplitString("a,,b", ','));
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), Items(list));

    QStringList blanks;
    EXPECT_EQ(2u, blanks.SetSplitString(" a $ b ", '$'));
    EXPECT_EQ((std::vector<std::string>{" a ", " b "}), Items(blanks));
}

TEST(QStringListTest, SplitAtTheEndsGivesEmptyPieces) {
    QStringList empty;
    EXPECT_EQ(1u, empty.SetSplitString("", ','));
    EXPECT_EQ((std::vector<std::string>{""}), Items(empty));

    QStringList edges;
    EXPECT_EQ(3u, edges.SetSplitString(",a,", ','));
    EXPECT_EQ((std::vector<std::string>{"", "a", ""}), Items(edges));

    QStringList only;
    EXPECT_EQ(2u, only.SetSplitString("$", '$'));
    EXPECT_EQ((std::vector<std::string>{"", ""}), Items(only));
}

TEST(QStringListTest, SplitAppendsToWhatTheListHolds) {
    QStringList list;
    list.push_back("first");
    EXPECT_EQ(2u, list.SetSplitString("x$y", '$'));
    EXPECT_EQ(1u, list.SetSplitString("no separator", '$'));
    EXPECT_EQ((std::vector<std::string>{"first", "x", "y", "no separator"}), Items(list));
}

TEST(QStringListTest, AssignmentReplacesWithCopies) {
    QStringList source;
    source.SetSplitString("a,b", ',');
    QStringList target;
    target.SetSplitString("old,older,oldest", ',');
    target = source;
    source.front() = "changed";
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Items(target));
}

} // namespace
