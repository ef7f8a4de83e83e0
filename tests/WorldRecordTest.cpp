#include "WorldRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace wevel;

namespace {

std::string field(std::size_t n, char c)
{
    return std::string(n, c);
}

// Values small enough to live in the record and large enough to need the
// heap, changed in either direction, survive copies, moves and changes.
TEST(WorldRecord, KeepsValuesAcrossSizesCopiesAndMoves)
{
    for (std::size_t n : {0u, 1u, 5u, 8u, 47u, 48u, 49u, 300u, 70000u}) {
        const std::string big = field(n, 'v');
        WorldRecord r({"tiny", big, "c", "p", "h", "1", "", big});
        EXPECT_EQ(r.value(WorldKey::World), big);
        EXPECT_EQ(r.value(WorldKey::UseFile), big);
        EXPECT_EQ(r.value(WorldKey::Port), "1");

        WorldRecord copy = r;
        EXPECT_EQ(copy, r);
        copy.set(WorldKey::Host, field(n + 3, 'h'));
        EXPECT_EQ(copy.value(WorldKey::Host), field(n + 3, 'h'));
        EXPECT_EQ(copy.value(WorldKey::Port), "1") << "later values move along";
        EXPECT_EQ(r.value(WorldKey::Host), "h") << "the original is untouched";
        copy.set(WorldKey::World, "w");
        copy.set(WorldKey::UseFile, "");
        EXPECT_EQ(copy.value(WorldKey::World), "w");
        EXPECT_EQ(copy.value(WorldKey::Host), field(n + 3, 'h'));

        WorldRecord moved = std::move(copy);
        EXPECT_EQ(moved.value(WorldKey::Host), field(n + 3, 'h'));
        r = moved;
        EXPECT_EQ(r, moved);
        r = WorldRecord();
        EXPECT_EQ(r.value(WorldKey::World), "");
    }
}

TEST(WorldRecord, KnowsWhichKeysItHolds)
{
    WorldRecord r;
    EXPECT_FALSE(r.has(WorldKey::Type));
    r.set(WorldKey::Pass, "");
    EXPECT_TRUE(r.has(WorldKey::Pass));
    EXPECT_FALSE(r.has(WorldKey::UseProxy));
    EXPECT_NE(r, WorldRecord()) << "an empty value is not a missing key";
    r.set(WorldKey::Pass, std::string(r.value(WorldKey::Pass)) + "x");
    r.set(WorldKey::Type, r.value(WorldKey::Pass)); // a value taken from the record itself
    EXPECT_EQ(r.value(WorldKey::Type), "x");
}

} // namespace
