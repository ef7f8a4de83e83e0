#include "ScriptReader.h"
#include "ScriptWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace wevel;

namespace {

WorldRecord world(std::string_view type, std::string_view name, std::string_view chr,
                  std::string_view pass, std::string_view host, std::string_view port,
                  std::string_view proxy = "", std::string_view file = "")
{
    return WorldRecord({type, name, chr, pass, host, port, proxy, file});
}

struct FillCase {
    const char* name;
    std::string templ;
    ScriptSettings settings;
    std::vector<WorldRecord> worlds;
    std::string expected;
};

ScriptSettings settingsWith(bool visual, std::string isize, bool more, bool redef,
                            std::string matching, std::string folder)
{
    return {visual, std::move(isize), more, redef, std::move(matching), std::move(folder)};
}

class FillTemplateTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTemplateTest, Fills)
{
    const FillCase& c = GetParam();
    EXPECT_EQ(fillTemplate(c.templ, c.settings, c.worlds), c.expected);
}

const ScriptSettings kSome = settingsWith(true, "3", false, true, "regexp", "/home/me/tf");

INSTANTIATE_TEST_SUITE_P(
    Fill, FillTemplateTest,
    ::testing::Values(
        FillCase{"allSeven",
                 "/visual %%VISUAL%%\n/set isize=%%ISIZE%%\n/more %%MORE%%\n/redef %%REDEF%%\n"
                 "/set matching=%%DEFMATCH%%\n/lcd %%SCRIPTFOLDER%%\n%%WORLDLIST%%",
                 kSome,
                 {world("tiny", "W", "c", "p", "h", "23")},
                 "/visual on\n/set isize=3\n/more off\n/redef on\n/set matching=regexp\n"
                 "/lcd /home/me/tf\n/addworld -T'tiny' W c p h 23\n"},
        FillCase{"anyCaseAndRepeated", "%%visual%% %%Visual%% %%VISUAL%% %%ViSuAl%%", kSome, {},
                 "on on on on"},
        FillCase{"missingPlaceholderLeavesRest", "keep %%OTHER%% and %VISUAL% as they are", kSome, {},
                 "keep %%OTHER%% and %VISUAL% as they are"},
        FillCase{"emptyFolderRemovesPlaceholder", "/lcd %%SCRIPTFOLDER%%\n", ScriptSettings{}, {}, "/lcd \n"},
        FillCase{"folderReceivesWorldLines", "[%%SCRIPTFOLDER%%]",
                 settingsWith(false, "1", false, false, "glob", "a%%worldlist%%b"),
                 {world("t", "W", "c", "p", "h", "1")},
                 "[a/addworld -T't' W c p h 1\nb]"},
        FillCase{"worldFieldWrittenLiterally", "%%WORLDLIST%%", ScriptSettings{},
                 {world("t", "%%VISUAL%%", "c", "p", "h", "1")},
                 "/addworld -T't' %%VISUAL%% c p h 1\n"},
        FillCase{"emptyTypeAndName", "%%WORLDLIST%%", ScriptSettings{},
                 {world("", "", "c", "p", "h", "")},
                 "/addworld -T''  c p h \n"},
        FillCase{"duplicatesInListOrder", "%%WORLDLIST%%", ScriptSettings{},
                 {world("t", "A", "", "", "h", "1"), world("t", "B", "c", "p", "h", "2"),
                  world("t", "A", "", "", "h", "1")},
                 "/addworld -T't' A   h 1\n/addworld -T't' B c p h 2\n/addworld -T't' A   h 1\n"},
        FillCase{"emptyWorldList", "a%%WORLDLIST%%b", ScriptSettings{}, {}, "ab"},
        FillCase{"emptyTemplate", "", kSome, {world("t", "W", "c", "p", "h", "1")}, ""},
        // A proxied world stays proxied, and its file argument stays.
        FillCase{"proxyAndFileKept", "%%WORLDLIST%%", ScriptSettings{},
                 {world("lp", "W", "c", "p", "h", "1", "-P", "w.tf"), world("lp", "V", "c", "p", "h", "2", "", "v.tf"),
                  world("lp", "U", "c", "p", "h", "3", "-p", "")},
                 "/addworld -P -T'lp' W c p h 1 w.tf\n/addworld -T'lp' V c p h 2 v.tf\n"
                 "/addworld -p -T'lp' U c p h 3\n"},
        FillCase{"editorRecordInPlainForm", "%%WORLDLIST%%", ScriptSettings{},
                 {makeEditorWorld("tiny", "W", "c", "p", "h", "23")}, "/addworld -T'tiny' W c p h 23\n"},
        // An earlier value is searched by later fills: a visual "on" cannot
        // form one, but an isize value can hold a later placeholder.
        FillCase{"earlierInsertSearchedLater", "%%ISIZE%%",
                 settingsWith(false, "%%more%%", true, false, "glob", ""), {}, "on"}),
    [](const auto& info) { return info.param.name; });

TEST(ReplaceAllIgnoreCase, DoesNotRescanItsOwnInsertions)
{
    std::string text = "%%A%%|%%a%%";
    replaceAllIgnoreCase(text, "%%A%%", "%%A%%%%A%%");
    EXPECT_EQ(text, "%%A%%%%A%%|%%A%%%%A%%");
}

TEST(ReplaceAllIgnoreCase, NonOverlappingFromTheStart)
{
    std::string text = "%%%A%%%";
    replaceAllIgnoreCase(text, "%%A%%", "x");
    EXPECT_EQ(text, "%x%");
    std::string bytes = "\xff%%a%%\x80";
    replaceAllIgnoreCase(bytes, "%%A%%", "\xe9");
    EXPECT_EQ(bytes, "\xff\xe9\x80");
}

TEST(ChannelLines, SevenLinesExactly)
{
    EXPECT_EQ(channelLines(kSome), "/visual on\n"
                                   "/set isize=3\n"
                                   "/more off\n"
                                   "/redef on\n"
                                   "/set matching=regexp\n"
                                   "/lcd /home/me/tf\n"
                                   "/echo -aCyellow +++ Saved Configuration to ~/wevelrc\n");
    EXPECT_EQ(channelLines(ScriptSettings{}), "/visual off\n/set isize=1\n/more off\n/redef off\n"
                                              "/set matching=glob\n/lcd \n"
                                              "/echo -aCyellow +++ Saved Configuration to ~/wevelrc\n");
}

TEST(FindLineBreak, NamesTheValueThatHoldsOne)
{
    std::vector<WorldRecord> worlds{world("t", "A", "c", "p", "h", "1"), world("t", "B", "c", "p", "h\r", "1")};
    EXPECT_EQ(findLineBreak(ScriptSettings{}, worlds), "the Host field of world 2 (\"B\")");
    EXPECT_EQ(findLineBreak(settingsWith(false, "1", false, false, "glob", "/a\nb"), {}),
              "the script folder");
    worlds[1].set(WorldKey::Host, "h");
    EXPECT_EQ(findLineBreak(ScriptSettings{}, worlds), std::nullopt);
}

std::string readResource(const char* name)
{
    std::ifstream in(std::string(WEVEL_RESOURCES_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TemplateResource, CarriesEveryPlaceholderAndComments)
{
    const std::string templ = readResource("template.wevelrc");
    for (const char* p : {"%%VISUAL%%", "%%ISIZE%%", "%%MORE%%", "%%REDEF%%", "%%DEFMATCH%%",
                          "%%SCRIPTFOLDER%%", "%%WORLDLIST%%"})
        EXPECT_NE(templ.find(p), std::string::npos) << p;
    EXPECT_EQ(templ.rfind("; ", 0), 0u) << "opens with a comment";
    EXPECT_NE(templ.find("wevelconf"), std::string::npos);
    EXPECT_NE(templ.find(".wevelrc.bak"), std::string::npos);
}

// What Save writes, the reader gives back: every setting and every world.
TEST(RoundTrip, TemplateWrittenThenReadGivesBackEverything)
{
    const ScriptSettings settings =
        settingsWith(true, "5", true, false, "simple", "/home/\xe9t\xe9/my scripts");
    const std::vector<WorldRecord> worlds{
        world("tiny.mush", "Elsewhere", "bob", "s3cr\xeat", "elsewhere.example.org", "4201"),
        world("lp", "Lands", "alice", "pw", "lands.example.net", "2000", "-p", "lands.tf"),
        world("", "Bare", "", "", "bare.example", "23"),
        world("telnet", "Echo", "x", "y", "h", "7", "", "echo.tf")};
    const ScriptContents back = loadScript(fillTemplate(readResource("template.wevelrc"), settings, worlds));
    EXPECT_EQ(back.settings, settings);
    EXPECT_EQ(back.worlds, worlds);

    // And saving what was read gives the same bytes again.
    const std::string once = fillTemplate(readResource("template.wevelrc"), settings, worlds);
    const ScriptContents reread = loadScript(once);
    EXPECT_EQ(fillTemplate(readResource("template.wevelrc"), reread.settings, reread.worlds), once);
}

} // namespace

namespace {

// A large list reaches the file in pieces; together they are the filled
// template, and a sink that fails stops the fill.
TEST(FillTemplateInto, PassesLargeListsInPiecesAndStopsOnFailure)
{
    std::vector<WorldRecord> worlds;
    for (int i = 0; i < 30000; ++i)
        worlds.push_back(world("tiny", "W" + std::to_string(i), "c", "p", "host.example.org", "4201"));
    const std::string templ = "; head %%VISUAL%%\n%%WORLDLIST%%; tail\n%%worldlist%%";

    std::vector<std::string> pieces;
    EXPECT_TRUE(fillTemplateInto(templ, ScriptSettings{}, worlds, [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    }));
    EXPECT_GT(pieces.size(), 2u);
    std::string joined;
    for (const std::string& p : pieces)
        joined += p;
    EXPECT_EQ(joined, "; head off\n" + worldLines(worlds) + "; tail\n" + worldLines(worlds));
    EXPECT_EQ(fillTemplate(templ, ScriptSettings{}, worlds), joined);

    int calls = 0;
    EXPECT_FALSE(fillTemplateInto(templ, ScriptSettings{}, worlds, [&](std::string_view) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

} // namespace
