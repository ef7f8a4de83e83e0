#include "ScriptReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace wevel;

namespace {

// A world as eight texts in WorldKey order: Type, World, Character, Pass,
// Host, Port, UseProxy, UseFile.
using Fields = std::vector<std::string>;

Fields fieldsOf(const WorldRecord& r)
{
    Fields f;
    for (std::size_t k = 0; k < kWorldKeyCount; ++k)
        f.emplace_back(r.value(static_cast<WorldKey>(k)));
    return f;
}

struct WorldCase {
    const char* name;
    std::string line;
    Fields expected;
};

class WorldLineTest : public ::testing::TestWithParam<WorldCase> {};

TEST_P(WorldLineTest, PlacesTokensBySlot)
{
    const WorldCase& c = GetParam();
    const ScriptContents s = loadScript(c.line);
    ASSERT_EQ(s.worlds.size(), 1u);
    EXPECT_EQ(fieldsOf(s.worlds[0]), c.expected);
    for (std::size_t k = 0; k < kWorldKeyCount; ++k)
        EXPECT_TRUE(s.worlds[0].has(static_cast<WorldKey>(k))) << "every key is present";
}

//                                  Type     World    Char     Pass     Host     Port    Proxy  File
INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, WorldLineTest,
    ::testing::Values(
        WorldCase{"writersForm", "/addworld -T'tiny' W c p h 23",
                  {"tiny", "W", "c", "p", "h", "23", "", ""}},
        WorldCase{"noCharacterNoPassword", "/addworld -T'tiny' W   h 23",
                  {"tiny", "W", "", "", "h", "23", "", ""}},
        WorldCase{"withFile", "/addworld -T'tiny' W c p h 23 f.tf",
                  {"tiny", "W", "c", "p", "h", "23", "", "f.tf"}},
        WorldCase{"proxyTypeAndFile", "/addworld -p -T'lp' W c p h 23 f.tf",
                  {"lp", "W", "c", "p", "h", "23", "-p", "f.tf"}},
        WorldCase{"proxyNoType", "/addworld -p W c p h 23", {"", "W", "c", "p", "h", "23", "-p", ""}},
        WorldCase{"typeWorldHostPort", "/addworld -T'tiny' W h 23", {"tiny", "W", "h", "23", "", "", "", ""}},
        WorldCase{"proxyTypeWorldHostPort", "/addworld -p -Ttiny W h 23",
                  {"tiny", "W", "h", "23", "", "", "-p", ""}},
        WorldCase{"proxyWorldHostPort", "/addworld -p W h 23", {"", "W", "h", "23", "", "", "-p", ""}},
        WorldCase{"worldHostPort", "/addworld W h 23", {"", "W", "23", "", "h", "", "", ""}},
        WorldCase{"worldCharPassHostPort", "/addworld W c p h 23", {"", "W", "c", "h", "23", "", "", ""}},
        WorldCase{"worldOnly", "/addworld W", {"", "W", "", "", "", "", "", ""}},
        WorldCase{"commandAlone", "/addworld", {"", "", "", "", "", "", "", ""}},
        WorldCase{"threeExtraTokens", "/addworld -T'tiny' W c p h 23 f1 f2 f3",
                  {"tiny", "W", "c", "p", "h", "23", "", "f2"}},
        WorldCase{"leadingEmptyToken", "/addworld  -T'tiny' W h 23",
                  {"", "", "-T'tiny'", "h", "23", "", "", ""}},
        // Beyond the worked examples: what the reader makes of odd shapes.
        WorldCase{"typeWithoutQuotes", "/addworld -Ttiny W c p h 23", {"tiny", "W", "c", "p", "h", "23", "", ""}},
        WorldCase{"singleQuoteTypeKept", "/addworld -T' W c p h 23", {"'", "W", "c", "p", "h", "23", "", ""}},
        WorldCase{"emptyQuotedType", "/addworld -T'' W c p h 23", {"", "W", "c", "p", "h", "23", "", ""}},
        WorldCase{"lowerCaseTypeFlagIsAWorld", "/addworld -t'x' c p h 23",
                  {"", "-t'x'", "c", "h", "23", "", "", ""}},
        WorldCase{"proxyInCapitalsKeptAsWritten", "/addworld -P -T'x' W c p h 23",
                  {"x", "W", "c", "p", "h", "23", "-P", ""}},
        WorldCase{"commandWordInCapitals", "/ADDWORLD -T'x' W c p h 23", {"x", "W", "c", "p", "h", "23", "", ""}},
        WorldCase{"worldStartingWithTypeFlag", "/addworld -T'x' -Tname c p h 23",
                  {"name", "c", "p", "h", "23", "", "", ""}},
        WorldCase{"twoWordWorldShifts", "/addworld -T'x' A B c p h 23",
                  {"x", "A", "B", "c", "p", "h", "", "23"}},
        WorldCase{"twoWordTypeShifts", "/addworld -T'a b' W c p h 23",
                  {"'a", "b'", "W", "c", "p", "h", "", "23"}},
        WorldCase{"tabIsPartOfAToken", "/addworld -T'x' W\tV c p h 23",
                  {"x", "W\tV", "c", "p", "h", "23", "", ""}},
        WorldCase{"nonUtf8Bytes", "/addworld -T'\xff' W\xe9 c\x80 p\xc3 h 23",
                  {"\xff", "W\xe9", "c\x80", "p\xc3", "h", "23", "", ""}}),
    [](const auto& info) { return info.param.name; });

struct TerminatorCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

class LineTerminatorTest : public ::testing::TestWithParam<TerminatorCase> {};

TEST_P(LineTerminatorTest, CutsLinesAlike)
{
    std::vector<std::string> lines;
    forEachCommandLine(GetParam().text, [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineTerminatorTest,
    ::testing::Values(
        TerminatorCase{"lf", "/a\n/b\n", {"/a", "/b"}},
        TerminatorCase{"cr", "/a\r/b\r", {"/a", "/b"}},
        TerminatorCase{"crlf", "/a\r\n/b\r\n", {"/a", "/b"}},
        TerminatorCase{"mixed", "/a\r\n/b\r/c\n/d", {"/a", "/b", "/c", "/d"}},
        TerminatorCase{"noTerminatorAtEnd", "/a\n/b", {"/a", "/b"}},
        TerminatorCase{"lfCrIsTwoLines", "/a\n\r/b", {"/a", "/b"}},
        TerminatorCase{"crCrLf", "/a\r\r\n/b", {"/a", "/b"}},
        TerminatorCase{"onlyTerminators", "\n\r\n\r", {}},
        TerminatorCase{"empty", "", {}},
        TerminatorCase{"filter", "/ok\n;/comment\n /blank\n\t/tab\nword\n\n//double", {"/ok", "//double"}}),
    [](const auto& info) { return info.param.name; });

TEST(LineBounds, GivesContentEndAndNextStart)
{
    const std::string text = "/a\r\n/bc\r/d";
    const LineBounds first = lineBoundsAt(text, 0);
    EXPECT_EQ(first.contentEnd, 2u);
    EXPECT_EQ(first.end, 4u);
    const LineBounds second = lineBoundsAt(text, 4);
    EXPECT_EQ(second.contentEnd, 7u);
    EXPECT_EQ(second.end, 8u);
    const LineBounds last = lineBoundsAt(text, 8);
    EXPECT_EQ(last.contentEnd, text.size());
    EXPECT_EQ(last.end, text.size());
}

TEST(SplitAt, KeepsEmptyParts)
{
    using V = std::vector<std::string_view>;
    EXPECT_EQ(splitAt("a b", ' '), (V{"a", "b"}));
    EXPECT_EQ(splitAt("a  b", ' '), (V{"a", "", "b"}));
    EXPECT_EQ(splitAt(" a ", ' '), (V{"", "a", ""}));
    EXPECT_EQ(splitAt("ab", ' '), (V{"ab"}));
    EXPECT_EQ(splitAt("", ' '), (V{""}));
}

TEST(EqualsIgnoreCase, AsciiLettersOnly)
{
    EXPECT_TRUE(equalsIgnoreCase("/VISUAL", "/visual"));
    EXPECT_FALSE(equalsIgnoreCase("/visuals", "/visual")) << "a prefix is not equal";
    EXPECT_FALSE(equalsIgnoreCase("\xc9", "\xe9")) << "bytes outside ASCII compare exactly";
}

// Settings: the whole script read, then compared against the starting state
// with the expected changes applied.
struct SettingsCase {
    const char* name;
    std::string script;
    ScriptSettings expected;
};

ScriptSettings with(void (*change)(ScriptSettings&))
{
    ScriptSettings s;
    change(s);
    return s;
}

class SettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsTest, ReadsSettings)
{
    EXPECT_EQ(loadScript(GetParam().script).settings, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsTest,
    ::testing::Values(
        SettingsCase{"none", "", ScriptSettings{}},
        SettingsCase{"switchesOn", "/visual on\n/more on\n/redef on\n",
                     with([](ScriptSettings& s) { s.visual = s.more = s.redef = true; })},
        SettingsCase{"capitals", "/VISUAL ON\n/More On\n",
                     with([](ScriptSettings& s) { s.visual = s.more = true; })},
        SettingsCase{"offNeverTurnsOff", "/visual on\n/visual off\n",
                     with([](ScriptSettings& s) { s.visual = true; })},
        SettingsCase{"onWithMoreWords", "/visual on please\n", with([](ScriptSettings& s) { s.visual = true; })},
        SettingsCase{"twoSpacesBeforeOn", "/visual  on\n", ScriptSettings{}},
        SettingsCase{"tabBeforeOn", "/visual\ton\n", ScriptSettings{}},
        SettingsCase{"onPrefixOnly", "/visual only\n", ScriptSettings{}},
        SettingsCase{"indentedOrCommented", " /visual on\n\t/more on\n;/redef on\n", ScriptSettings{}},
        SettingsCase{"commandMissingArgument", "/visual\n/lcd\n/set\n", ScriptSettings{}},
        SettingsCase{"setISize", "/set isize=4\n", with([](ScriptSettings& s) { s.isize = "4"; })},
        SettingsCase{"setNameInCapitals", "/set ISIZE=2\n/SET Matching=regexp\n",
                     with([](ScriptSettings& s) { s.isize = "2", s.matching = "regexp"; })},
        SettingsCase{"secondEqualsEndsValue", "/set isize=3=5\n", with([](ScriptSettings& s) { s.isize = "3"; })},
        SettingsCase{"emptyValueNamesNoItem", "/set isize=3\n/set isize=\n",
                     with([](ScriptSettings& s) { s.isize = "3"; })},
        SettingsCase{"unknownValueKeepsSelection", "/set matching=simple\n/set matching=Glob\n",
                     with([](ScriptSettings& s) { s.matching = "simple"; })},
        SettingsCase{"noEquals", "/set isize 3\n/set isize = 3\n", ScriptSettings{}},
        SettingsCase{"otherVariable", "/set wrapsize=3\n", ScriptSettings{}},
        SettingsCase{"lastSetWins", "/set isize=2\n/set isize=5\n", with([](ScriptSettings& s) { s.isize = "5"; })},
        SettingsCase{"lcd", "/lcd ~/tf\n", with([](ScriptSettings& s) { s.scriptFolder = "~/tf"; })},
        // The folder is the rest of the line, so a path with blanks comes back whole.
        SettingsCase{"lcdWithSpaces", "/lcd /home/me/my scripts \n",
                     with([](ScriptSettings& s) { s.scriptFolder = "/home/me/my scripts "; })},
        SettingsCase{"lcdEndingInSpace", "/lcd /x\n/lcd \n", ScriptSettings{}},
        SettingsCase{"lastLcdWins", "/lcd /a\n/LCD /b\n", with([](ScriptSettings& s) { s.scriptFolder = "/b"; })},
        SettingsCase{"lcdNonUtf8", "/lcd /home/\xe9t\xe9\r\n",
                     with([](ScriptSettings& s) { s.scriptFolder = "/home/\xe9t\xe9"; })},
        SettingsCase{"unknownCommand", "/visualize on\n/bind ^X = /quit\n", ScriptSettings{}}),
    [](const auto& info) { return info.param.name; });

TEST(LoadScript, KeepsEveryWorldLineInFileOrder)
{
    const ScriptContents s = loadScript("/addworld -T'x' A c p h 1\n"
                                        "; a comment\n"
                                        "/addworld -T'x' A c p h 1\r\n"
                                        "/visual on\r"
                                        "/AddWorld B\n");
    ASSERT_EQ(s.worlds.size(), 3u);
    EXPECT_EQ(s.worlds[0], s.worlds[1]) << "duplicates are kept";
    EXPECT_EQ(s.worlds[2].value(WorldKey::World), "B");
    EXPECT_TRUE(s.settings.visual);
}

TEST(LoadScript, ManyBlanksAfterCommandGiveOneEmptyRecord)
{
    const ScriptContents s = loadScript("/addworld" + std::string(100000, ' ') + "\n");
    ASSERT_EQ(s.worlds.size(), 1u);
    EXPECT_EQ(fieldsOf(s.worlds[0]), Fields(8, ""));
}

} // namespace

namespace {

// Lines are cut 16 bytes at a time: every position of a space relative to
// those blocks, and every length of a line's tail, must give the same tokens.
TEST(BlockBoundaries, TokensAndLineFeedsAtEveryOffset)
{
    for (std::size_t pad = 0; pad < 40; ++pad) {
        const std::string name(pad, 'n');
        for (const char* tail : {"", " f", " f1 f2 f3 f4"}) {
            const std::string line = "/addworld -T'x' " + name + " c p h 1" + tail;
            const ScriptContents s = loadScript(line);
            ASSERT_EQ(s.worlds.size(), 1u) << line;
            const WorldRecord& w = s.worlds[0];
            if (pad > 0) {
                EXPECT_EQ(w.value(WorldKey::World), name) << line;
                EXPECT_EQ(w.value(WorldKey::Port), "1") << line;
            }
        }
        std::string feeds;
        for (std::size_t i = 0; i < pad; ++i)
            feeds += (i % 3 == 0) ? "\n" : "ab";
        EXPECT_EQ(countLineFeeds(feeds), static_cast<std::size_t>(std::count(feeds.begin(), feeds.end(), '\n')));
    }
    // Long enough for every byte lane of the count to fill up many times.
    const std::string dense(100003, '\n');
    EXPECT_EQ(countLineFeeds(dense), dense.size());
    EXPECT_EQ(countLineFeeds(dense + std::string(17, 'x') + dense), 2 * dense.size());
}

} // namespace
