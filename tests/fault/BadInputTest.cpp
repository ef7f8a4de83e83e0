// Hostile scripts: the window opens on each, paints, and shows exactly what
// the core reader makes of the same bytes: the same worlds in the table and
// the same settings in the controls.

#include "ByteText.h"
#include "HarnessRun.h"
#include "ScratchFiles.h"
#include "ScriptReader.h"
#include "WevelConfController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <sys/wait.h>

using namespace fault;

namespace {

std::string randomBytes()
{
    std::mt19937 rng(20240611);
    std::string s(1 << 20, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xff);
    return s;
}

// Random runs of the pieces a script is made of, so that many lines come
// close to commands: world lines with too few or too many slots, stray
// quotes, empty tokens, every kind of line end.
std::string randomCommandSoup()
{
    static const char* const kPieces[] = {
        "/addworld", "/ADDWORLD ", "/addworld ", " ", "  ", "-T", "-T'", "'", "tiny", "-p", "-P ",
        "\n", "\r", "\r\n", "\n\r", "" /* a NUL byte */, "/lcd ", "/set ", "isize=",
        "matching=", "=", "regexp", "/visual on", "/more ON", "/redef on", "\xff", "\xc3\xa9",
        "\xe2\x82", "World", "char", "pw", "host.example.org", "4000", ";", "/", "%%WORLDLIST%%"};
    constexpr std::size_t kCount = sizeof kPieces / sizeof kPieces[0];
    std::mt19937 rng(7);
    std::string s;
    for (int i = 0; i < 300'000; ++i) {
        const std::size_t k = rng() % kCount;
        if (kPieces[k][0] == '\0')
            s.push_back('\0');
        else
            s += kPieces[k];
    }
    return s;
}

std::string withNulBytes()
{
    using namespace std::string_literals;
    return "/addworld w\0rld ch\0r pw host 4000\n"s
           "\0/addworld Hidden c p h 1\n"s
           "/add\0world Split c p h 2\n"s
           "/addworld -T'\0' Typed c p h 3\n"s
           "/addworld Trailing c p h 4\0\n"s
           "/lcd /srv/a\0b\n"s
           "/visual\0on\n/more on\0\n"s
           "\0\0\0\0\n"s;
}

// Two lines of 50 MB: a comment, and a world whose password (a slot no
// column shows) is 50 MB long. The table gets a row; its cells stay small.
std::string fiftyMegabyteLines()
{
    std::string s = "/set isize=5\n; ";
    s.append(50u << 20, 'c');
    s += "\n/addworld -T'tiny' Big char ";
    s.append(50u << 20, 'p');
    s += " host.example.org 4000\n/addworld Small c p h 1\n";
    return s;
}

std::string millionBlanksAfterAddworld()
{
    const std::string blanks(1'000'000, ' ');
    return "/addworld" + blanks + "w c p h 1\n" + "/addworld Wide" + blanks + "\n" + "/addworld" +
           blanks + "\n/addworld Last c p h 5\n";
}

std::string mixedLineEnds()
{
    return "/visual on\r\n/more on\r/set isize=3\n\r/redef on\r\r\n/set matching=simple\n"
           "/addworld A c p h 1\r\n/addworld B c p h 2\r/addworld C c p h 3\n\r"
           "/addworld D c p h 4\r\r\n/addworld E c p h 5";
}

struct BadInput {
    const char* name;
    std::string (*make)();
    int worlds; // world lines a reader must find, or -1 for "whatever it finds"
};

void PrintTo(const BadInput& c, std::ostream* os)
{
    *os << c.name;
}

class HostileScript : public ::testing::TestWithParam<BadInput> {};

// Points HOME at a folder for the life of one test.
class HomeAt {
public:
    explicit HomeAt(const std::string& home)
    {
        if (const char* old = std::getenv("HOME"))
            old_ = old;
        ::setenv("HOME", home.c_str(), 1);
    }
    ~HomeAt()
    {
        if (old_)
            ::setenv("HOME", old_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }

private:
    std::optional<std::string> old_;
};

TEST_P(HostileScript, WindowShowsWhatTheReaderReads)
{
    const std::string bytes = GetParam().make();
    ScratchDir home;
    writeFile(home / ".wevelrc", bytes);
    HomeAt homeAt(home.path());

    const wevel::ScriptContents expected = wevel::loadScript(bytes);

    WevelConfController window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Paint everything once, the table's cells included.
    ASSERT_FALSE(window.grab().isNull());

    const auto* table = window.findChild<QTableView*>(QStringLiteral("tableWorlds"));
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->model(), nullptr);
    if (GetParam().worlds >= 0) {
        EXPECT_EQ(expected.worlds.size(), static_cast<std::size_t>(GetParam().worlds));
    }
    RecordProperty("worlds", static_cast<int>(expected.worlds.size()));
    EXPECT_EQ(static_cast<std::size_t>(table->model()->rowCount()), expected.worlds.size());
    EXPECT_EQ(static_cast<std::size_t>(window.numberOfRowsInTableView()), expected.worlds.size());
    EXPECT_TRUE(window.worlds() == expected.worlds) << "the window's worlds differ from the reader's";

    const auto* visual = window.findChild<QCheckBox*>(QStringLiteral("checkUseVisual"));
    const auto* more = window.findChild<QCheckBox*>(QStringLiteral("checkUseMore"));
    const auto* redef = window.findChild<QCheckBox*>(QStringLiteral("checkAllowRedef"));
    const auto* isize = window.findChild<QComboBox*>(QStringLiteral("popupISize"));
    const auto* matching = window.findChild<QComboBox*>(QStringLiteral("popupDefMatch"));
    const auto* folder = window.findChild<QLineEdit*>(QStringLiteral("textScriptFolder"));
    ASSERT_TRUE(visual && more && redef && isize && matching && folder);
    EXPECT_EQ(visual->isChecked(), expected.settings.visual);
    EXPECT_EQ(more->isChecked(), expected.settings.more);
    EXPECT_EQ(redef->isChecked(), expected.settings.redef);
    EXPECT_EQ(ByteText::fromDisplay(isize->currentText()), expected.settings.isize);
    EXPECT_EQ(ByteText::fromDisplay(matching->currentText()), expected.settings.matching);
    EXPECT_EQ(ByteText::fromDisplay(folder->text()), expected.settings.scriptFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileScript,
    ::testing::Values(BadInput{"RandomBytes", randomBytes, -1},
                      BadInput{"RandomCommandPieces", randomCommandSoup, -1},
                      BadInput{"NulBytes", withNulBytes, 3},
                      BadInput{"FiftyMegabyteLines", fiftyMegabyteLines, 2},
                      BadInput{"MillionBlanksAfterAddworld", millionBlanksAfterAddworld, 4},
                      BadInput{"MixedLineEnds", mixedLineEnds, 5}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// ------------------------------------------------------------ huge values shown in widgets

// A 50 MB world name must not reach the table cell whole: painting it would
// shape all 50 million characters and leave the window blank for minutes.
TEST(HugeValues, TableCellsHandTheViewABoundedText)
{
    const std::string bytes = "/addworld -T'tiny' " + std::string(50u << 20, 'w') + " char pw host 4000\n";
    ScratchDir home;
    writeFile(home / ".wevelrc", bytes);
    HomeAt homeAt(home.path());

    WevelConfController window;
    const auto* table = window.findChild<QTableView*>(QStringLiteral("tableWorlds"));
    ASSERT_NE(table, nullptr);
    const QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 1);
    for (int column = 0; column < model->columnCount(); ++column) {
        for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole)}) {
            const QString text = model->data(model->index(0, column), role).toString();
            // Checked before painting: a whole value would take minutes to paint.
            ASSERT_LT(text.size(), 1 << 20) << "column " << column << ", role " << role;
        }
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_FALSE(window.grab().isNull());
}

// A line edit keeps 32767 characters unless told otherwise: a longer "/lcd"
// folder would be cut when the window opens, and Save would write it cut.
TEST(HugeValues, ScriptFolderLongerThanALineEditHoldsIsSavedWhole)
{
    const std::string folder = "/" + std::string(40'000, 'd');
    const CompletedSave done = saveToCompletion("/lcd " + folder + "\n");
    ASSERT_TRUE(WIFEXITED(done.status) && WEXITSTATUS(done.status) == 0) << done.err;

    const std::size_t at = done.script.find("\n/lcd ");
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = done.script.find('\n', at + 1);
    EXPECT_TRUE(done.script.compare(at + 6, end - at - 6, folder) == 0)
        << "the saved folder holds " << end - at - 6 << " bytes of " << folder.size();
    EXPECT_NE(done.out.find("/lcd " + folder + "\n"), std::string::npos) << "the client got a cut folder";
}
