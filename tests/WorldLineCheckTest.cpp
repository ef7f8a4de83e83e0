#include "WorldLineCheck.h"

#include <gtest/gtest.h>

using namespace wevel;

namespace {

WorldRecord entry(std::string_view type, std::string_view name, std::string_view chr,
                  std::string_view pass, std::string_view host, std::string_view port)
{
    return makeEditorWorld(type, name, chr, pass, host, port);
}

struct EntryCase {
    const char* name;
    WorldRecord world;
    const char* problemMentions; // nullptr: accepted
};

class WorldEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(WorldEntryTest, RefusesOnlyWhatCannotBeReadBack)
{
    const auto problem = worldEntryProblem(GetParam().world);
    if (!GetParam().problemMentions) {
        EXPECT_EQ(problem, std::nullopt) << *problem;
        return;
    }
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(GetParam().problemMentions), std::string::npos) << *problem;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, WorldEntryTest,
    ::testing::Values(
        EntryCase{"plain", entry("tiny", "W", "c", "p", "h", "23"), nullptr},
        EntryCase{"allEmpty", entry("", "", "", "", "", ""), nullptr},
        EntryCase{"portNotANumber", entry("tiny", "W", "c", "p", "h", "telnet"), nullptr},
        EntryCase{"quotesInType", entry("it's", "W", "c", "p", "h", "1"), nullptr},
        EntryCase{"nonAscii", entry("t", "W\xc3\xa9", "c", "p\xff", "h", "1"), nullptr},
        EntryCase{"blankInWorld", entry("tiny", "Two Words", "c", "p", "h", "1"), "World holds a blank"},
        EntryCase{"blankInType", entry("a b", "W", "c", "p", "h", "1"), "Type holds a blank"},
        EntryCase{"blankInPassword", entry("t", "W", "c", "pass word", "h", "1"), "Password holds a blank"},
        EntryCase{"lineBreakInHost", entry("t", "W", "c", "p", "h\n/quit", "1"), "Host holds a line break"},
        EntryCase{"carriageReturnInPort", entry("t", "W", "c", "p", "h", "1\r"), "Port holds a line break"},
        EntryCase{"worldLooksLikeTypeFlag", entry("t", "-Tx", "c", "p", "h", "1"), "World begins with \"-T\""}),
    [](const auto& info) { return info.param.name; });

TEST(ClientWarnings, SayWhatTheClientWillMisread)
{
    EXPECT_TRUE(clientWarnings(entry("t", "W", "c", "p", "h", "1")).empty());
    EXPECT_TRUE(clientWarnings(entry("t", "W", "", "", "h", "1")).empty())
        << "no character and no password is a complete world";
    EXPECT_EQ(clientWarnings(entry("t", "", "c", "p", "h", "1")).size(), 1u);
    EXPECT_EQ(clientWarnings(entry("t", "W", "c", "", "h", "1")).size(), 1u);
    EXPECT_EQ(clientWarnings(entry("t", "W", "", "p", "h", "")).size(), 2u);
    EXPECT_EQ(clientWarnings(entry("", "", "", "", "", "")).size(), 2u);
}

} // namespace
