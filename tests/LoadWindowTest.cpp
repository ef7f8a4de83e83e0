#include "WindowFixture.h"

#include "ByteText.h"

#include <QHeaderView>

namespace {

QStringList items(QComboBox* popup)
{
    QStringList list;
    for (int i = 0; i < popup->count(); ++i)
        list << popup->itemText(i);
    return list;
}

using LoadWindowTest = WindowTest;

TEST_F(LoadWindowTest, WithoutScriptShowsStartingState)
{
    open();
    EXPECT_EQ(items(widget<QComboBox>("popupISize")), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(items(widget<QComboBox>("popupDefMatch")), (QStringList{"glob", "simple", "regexp"}));
    EXPECT_EQ(widget<QComboBox>("popupISize")->currentText(), "1");
    EXPECT_EQ(widget<QComboBox>("popupDefMatch")->currentText(), "glob");
    for (const char* box : {"checkUseVisual", "checkUseMore", "checkAllowRedef"})
        EXPECT_EQ(widget<QCheckBox>(box)->checkState(), Qt::Unchecked) << box;
    EXPECT_EQ(widget<QLineEdit>("textScriptFolder")->text(), "");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(status(), "") << "a missing script is not reported";
    EXPECT_FALSE(widget<QDialog>("panelWorld")->isVisible());
}

TEST_F(LoadWindowTest, ShowsWhatTheScriptSays)
{
    writeScript("; settings\r\n"
                "/visual ON\r\n"
                "/set isize=4\r\n"
                "/set matching=Regexp\r\n" // no such title: keeps "glob"
                "/redef on\r"
                "/lcd /home/me/my scripts\n"
                "/addworld -T'tiny.mush' Elsewhere bob secret elsewhere.example.org 4201\n"
                "  /more on\n"
                "/addworld -p -T'lp' Lands alice pw lands.example.net 2000 lands.tf\n"
                "/addworld Plain host 23");
    open();
    EXPECT_EQ(widget<QCheckBox>("checkUseVisual")->checkState(), Qt::Checked);
    EXPECT_EQ(widget<QCheckBox>("checkUseMore")->checkState(), Qt::Unchecked) << "indented line skipped";
    EXPECT_EQ(widget<QCheckBox>("checkAllowRedef")->checkState(), Qt::Checked);
    EXPECT_EQ(widget<QComboBox>("popupISize")->currentText(), "4");
    EXPECT_EQ(widget<QComboBox>("popupDefMatch")->currentText(), "glob");
    EXPECT_EQ(widget<QLineEdit>("textScriptFolder")->text(), "/home/me/my scripts");

    ASSERT_EQ(rows(), 3);
    QStringList headers;
    for (int c = 0; c < table()->model()->columnCount(); ++c)
        headers << table()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"World", "Type", "Character", "Host", "Port"}));
    EXPECT_EQ(column(0), (QStringList{"Elsewhere", "Lands", "Plain"}));
    EXPECT_EQ(column(1), (QStringList{"tiny.mush", "lp", ""}));
    EXPECT_EQ(column(2), (QStringList{"bob", "alice", "23"}));
    EXPECT_EQ(column(3), (QStringList{"elsewhere.example.org", "lands.example.net", "host"}));
    EXPECT_EQ(column(4), (QStringList{"4201", "2000", ""}));
    for (int r = 0; r < rows(); ++r)
        for (int c = 0; c < table()->model()->columnCount(); ++c)
            EXPECT_FALSE(cell(r, c) == "secret" || cell(r, c) == "pw") << "passwords are never shown";
}

TEST_F(LoadWindowTest, CellsForKeysARecordLacksAreEmpty)
{
    writeScript("/addworld W\n");
    open();
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(window->objectValueForTableColumn("NoSuchKey", 0), "");
    EXPECT_EQ(window->objectValueForTableColumn("Port", 0), "");
    EXPECT_EQ(window->objectValueForTableColumn("World", 0), "W");
}

TEST_F(LoadWindowTest, BytesThatAreNotUtf8ReachTheFieldsWhole)
{
    writeScript("/lcd /home/\xe9t\xe9 x\n/addworld -T'\xff' N\xe9 c p h 1\n");
    open();
    EXPECT_EQ(ByteText::fromDisplay(widget<QLineEdit>("textScriptFolder")->text()), "/home/\xe9t\xe9 x");
    EXPECT_EQ(window->worlds().at(0).value(wevel::WorldKey::World), "N\xe9");
    EXPECT_EQ(ByteText::fromDisplay(cell(0, 0)), "N\xe9");
}

TEST_F(LoadWindowTest, UnreadableScriptIsReportedInTheWindow)
{
    ASSERT_EQ(::mkdir(scriptPath().c_str(), 0700), 0); // a folder where the script should be
    open();
    EXPECT_TRUE(status().contains(QString::fromStdString(scriptPath()))) << status().toStdString();
    EXPECT_EQ(rows(), 0);
}

TEST(ByteText, EveryByteSurvivesTheTripThroughText)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    for (const std::string& bytes : {all, std::string("caf\xc3\xa9 \xf0\x9f\x98\x80 \xed\xa0\x80 \xc0\xaf")})
        EXPECT_EQ(ByteText::fromDisplay(ByteText::toDisplay(bytes)), bytes);
    EXPECT_EQ(ByteText::toDisplay("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
}

} // namespace
