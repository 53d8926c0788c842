#include "schemafixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using harrow::Oidtable;
using harrow::QGenOID;
using harrow::QOID;
using larkspur::test::Arcs;
using larkspur::test::LoadFixture;
using larkspur::test::Resolved;
using Arcs32 = std::vector<std::uint32_t>;

QOID MakeOID(const Arcs32& arcs) {
    QOID oid;
    for (std::uint32_t arc : arcs) {
        oid.AppendElement(arc);
    }
    return oid;
}

TEST(QOIDTest, EmptyOIDHasNoArrayAndEqualsAnotherEmptyOne) {
    QOID empty;
    EXPECT_EQ(empty.GetCount(), 0u);
    EXPECT_EQ(empty.OID(), nullptr);
    EXPECT_EQ(empty == QOID(), 1);
    EXPECT_EQ(empty == MakeOID({0}), 0);
}

TEST(QOIDTest, EqualityNeedsTheSameArcsInTheSameOrder) {
    EXPECT_EQ(MakeOID({2, 5, 4, 3}) == MakeOID({2, 5, 4, 3}), 1);
    EXPECT_EQ(MakeOID({2, 5, 4, 3}) == MakeOID({2, 5, 3, 4}), 0);
    EXPECT_EQ(MakeOID({2, 5, 4}) == MakeOID({2, 5, 4, 3}), 0);
    EXPECT_EQ(MakeOID({2, 5, 4, 3}) == MakeOID({2, 5, 4}), 0);
}

TEST(QOIDTest, CopiesOwnTheirArcs) {
    QOID original = MakeOID({1, 2});
    QOID copy(original);
    QOID assigned;
    assigned = original;
    original.AppendElement(3);
    EXPECT_EQ(Arcs(copy), (Arcs32{1, 2}));
    EXPECT_EQ(Arcs(assigned), (Arcs32{1, 2}));
    EXPECT_NE(copy.OID(), original.OID());
    assigned = QOID();
    EXPECT_EQ(assigned.OID(), nullptr);
}

TEST(QOIDTest, GeneratorCopiesNameAndArcs) {
    QGenOID generator("acme", MakeOID({1, 3, 6}));
    QGenOID copy(generator);
    QGenOID assigned("other", QOID());
    assigned = generator;
    EXPECT_EQ(copy.Name(), "acme");
    EXPECT_EQ(assigned.Name(), "acme");
    EXPECT_EQ(Arcs(assigned), (Arcs32{1, 3, 6}));
    EXPECT_NE(assigned.OID(), generator.OID());
}

TEST(Str2OidTest, DottedNumbersGiveTheirArcs) {
    const Oidtable table;
    EXPECT_EQ(Resolved(table, "2.5.4.3"), (Arcs32{2, 5, 4, 3}));
    EXPECT_EQ(Resolved(table, " \t2.5.4.3  "), (Arcs32{2, 5, 4, 3}));
    EXPECT_EQ(Resolved(table, "0.9.2342"), (Arcs32{0, 9, 2342}));
    EXPECT_EQ(Resolved(table, ""), Arcs32{});
}

TEST(Str2OidTest, MalformedDotsAndComponents) {
    const Oidtable table;
    // The text after a doubled dot is one component that is not a number.
    EXPECT_EQ(Resolved(table, "1..2"), (Arcs32{1}));
    EXPECT_EQ(Resolved(table, "1.2."), (Arcs32{1, 2}));
    EXPECT_EQ(Resolved(table, ".1.2"), Arcs32{});
    EXPECT_EQ(Resolved(table, "5x.7"), (Arcs32{5, 7}));
    EXPECT_EQ(Resolved(table, "2. 5"), (Arcs32{2, 5}));
    EXPECT_EQ(Resolved(table, "cn"), Arcs32{});
}

TEST(Str2OidTest, DoubleZeroIsANameNotAnArc) {
    const Oidtable table;
    EXPECT_EQ(Resolved(table, "00"), Arcs32{});
    EXPECT_EQ(Resolved(table, "1.00.2"), (Arcs32{1, 2}));
    EXPECT_EQ(Resolved(table, "1.0.2"), (Arcs32{1, 0, 2}));

    const auto loaded = LoadFixture("edges");
    EXPECT_EQ(Resolved(*loaded.table, "00.1"), (Arcs32{3, 3, 1}));
}

TEST(Str2OidTest, ArcsBeyondThirtyTwoBitsSaturate) {
    const Oidtable table;
    EXPECT_EQ(Resolved(table, "2.4294967295"), (Arcs32{2, 4294967295u}));
    EXPECT_EQ(Resolved(table, "2.4294967296"), (Arcs32{2, 4294967295u}));
    EXPECT_EQ(Resolved(table, "2.25.158247479863527115578001554690853681873.1"),
              (Arcs32{2, 25, 4294967295u, 1}));
}

TEST(Str2OidTest, GeneratorNamesExpandIgnoringCase) {
    const auto loaded = LoadFixture("edges");
    const Oidtable& table = *loaded.table;
    EXPECT_EQ(Resolved(table, "acme"), (Arcs32{1, 3, 6, 1, 4, 1, 4242}));
    EXPECT_EQ(Resolved(table, "ACMEattr.3"), (Arcs32{1, 3, 6, 1, 4, 1, 4242, 1, 3}));
    // A generator may be written in terms of an earlier generator, never a later one.
    EXPECT_EQ(Resolved(table, "forward"), (Arcs32{5}));
    EXPECT_EQ(Resolved(table, "behind.1"), (Arcs32{7, 1}));
    // The second definition of a name was ignored.
    EXPECT_EQ(Resolved(table, "ACME"), (Arcs32{1, 3, 6, 1, 4, 1, 4242}));
    // A generator whose text resolved to nothing stands for no arcs.
    EXPECT_EQ(Resolved(table, "nothing.4"), (Arcs32{4}));
    // The continued line "spread: 1.   \" + "2" reads as "1. 2".
    EXPECT_EQ(Resolved(table, "spread"), (Arcs32{1, 2}));
    EXPECT_EQ(Resolved(table, "1.unknown.2"), (Arcs32{1, 2}));
}

} // namespace
