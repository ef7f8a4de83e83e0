#include "WindowFixture.h"

#include <QFileDialog>
#include <QScrollBar>

namespace {

using wevel::WorldKey;

const std::string kThree = "/addworld -T'tiny' A ca pa ha 1\n"
                           "/addworld -p -T'lp' B cb pb hb 2 b.tf\n"
                           "/addworld -T'tiny' C cc pc hc 3\n";

using ActionsTest = WindowTest;

// ---------------------------------------------------------------- Delete

TEST_F(ActionsTest, DeleteWithoutSelectionChangesNothing)
{
    writeScript(kThree);
    open();
    click("buttonDeleteWorld");
    EXPECT_EQ(column(0), (QStringList{"A", "B", "C"}));
}

TEST_F(ActionsTest, DeleteFirstOfThreeMovesTheOthersUp)
{
    writeScript(kThree);
    open();
    selectRow(0);
    click("buttonDeleteWorld");
    EXPECT_EQ(column(0), (QStringList{"B", "C"}));
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::UseFile), "b.tf");
}

TEST_F(ActionsTest, DeleteKeyOnTheTableDeletesTheSelectedWorld)
{
    writeScript(kThree);
    open();
    selectRow(1);
    table()->setFocus();
    QTest::keyClick(table(), Qt::Key_Delete);
    EXPECT_EQ(column(0), (QStringList{"A", "C"}));

    // In the folder field, Delete edits text and leaves the worlds alone.
    QLineEdit* folder = widget<QLineEdit>("textScriptFolder");
    folder->setText("/abc");
    folder->setFocus();
    folder->setCursorPosition(0);
    selectRow(0);
    folder->setFocus();
    QTest::keyClick(folder, Qt::Key_Delete);
    EXPECT_EQ(folder->text(), "abc");
    EXPECT_EQ(rows(), 2);
}

TEST_F(ActionsTest, DeleteOnlyWorldThenSaveWritesNoWorldLine)
{
    writeScript("/addworld -T'tiny' Only c p h 1\n");
    open();
    selectRow(0);
    click("buttonDeleteWorld");
    EXPECT_EQ(rows(), 0);
    const std::string out = printedBy([&] { click("buttonSave"); });
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(readFile(scriptPath()).find("/addworld"), std::string::npos);
}

TEST_F(ActionsTest, DeleteThenSaveLeavesTheWorldOut)
{
    writeScript(kThree);
    open();
    selectRow(1);
    click("buttonDeleteWorld");
    const std::string out = printedBy([&] { click("buttonSave"); });
    const std::string saved = readFile(scriptPath());
    EXPECT_NE(saved.find("/addworld -T'tiny' A ca pa ha 1\n/addworld -T'tiny' C cc pc hc 3\n"), std::string::npos);
    EXPECT_EQ(saved.find(" B "), std::string::npos);
}

TEST_F(ActionsTest, DeleteThenCancelLeavesFileAndOutputUntouched)
{
    writeScript(kThree);
    open();
    selectRow(0);
    click("buttonDeleteWorld");
    const std::string out = printedBy([&] { click("buttonCancel"); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(terminated->count(), 1);
    EXPECT_EQ(readFile(scriptPath()), kThree);
}

TEST_F(ActionsTest, ClosingTheWindowWritesAndPrintsNothing)
{
    writeScript(kThree);
    open();
    const std::string out = printedBy([&] { window->close(); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(readFile(scriptPath()), kThree);
}

// ---------------------------------------------------------------- Folder chooser

class ChooserTest : public WindowTest {
protected:
    // Opens the chooser from the browse button and finishes it with `finish`.
    void choose(const std::function<void(QFileDialog*)>& finish)
    {
        click("buttonBrowseFolder");
        QFileDialog* chooser = window->findChild<QFileDialog*>();
        ASSERT_NE(chooser, nullptr);
        EXPECT_TRUE(chooser->isVisible());
        EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
        EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory) << "folders only";
        finish(chooser);
    }
    // Types the folder's path into the chooser and confirms it with Return.
    void chooseTyped(const QString& path)
    {
        choose([&](QFileDialog* chooser) {
            QLineEdit* name = chooser->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        });
    }
    QString folderText() const { return widget<QLineEdit>("textScriptFolder")->text(); }
};

TEST_F(ChooserTest, ConfirmedFolderReplacesTheFieldWhole)
{
    writeScript("/lcd /old\n");
    const QString chosen = QString::fromStdString(home + "/my scripts");
    ASSERT_EQ(::mkdir(chosen.toLocal8Bit().constData(), 0700), 0);
    open();
    chooseTyped(chosen);
    EXPECT_EQ(folderText(), chosen);
}

TEST_F(ChooserTest, CancelledChooserKeepsTheField)
{
    writeScript("/lcd /old\n");
    open();
    choose([](QFileDialog* chooser) { QTest::keyClick(chooser, Qt::Key_Escape); });
    EXPECT_EQ(folderText(), "/old");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<QFileDialog*>(), nullptr) << "the chooser is gone";
}

TEST_F(ChooserTest, FolderNameWithLineBreakIsRefused)
{
    writeScript("/lcd /old\n");
    const QString chosen = QString::fromStdString(home + "/evil\nquit");
    ASSERT_EQ(::mkdir(chosen.toLocal8Bit().constData(), 0700), 0);
    open();
    chooseTyped(chosen);
    EXPECT_EQ(folderText(), "/old");
    EXPECT_TRUE(status().contains("line break")) << status().toStdString();
}

// ---------------------------------------------------------------- World editor

TEST_F(ActionsTest, AddThenOkAppendsTheLastRowWithSixKeys)
{
    writeScript(kThree);
    open();
    selectRow(1);
    const auto visit = inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny.mush", "New", "me", "pw", "pw", "new.example.org", "4000");
        click("buttonWorldOK");
    });
    ASSERT_TRUE(visit.opened);
    EXPECT_FALSE(visit.leftOpen);
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(column(0).last(), "New");
    const wevel::WorldRecord& added = window->worlds().back();
    for (WorldKey k : {WorldKey::Type, WorldKey::World, WorldKey::Character, WorldKey::Pass, WorldKey::Host,
                       WorldKey::Port})
        EXPECT_TRUE(added.has(k));
    EXPECT_FALSE(added.has(WorldKey::UseProxy));
    EXPECT_FALSE(added.has(WorldKey::UseFile));
    EXPECT_EQ(added.value(WorldKey::Pass), "pw");
    EXPECT_EQ(added.value(WorldKey::Type), "tiny.mush");
    EXPECT_EQ(window->objectValueForTableColumn("UseProxy", 3), "");
    EXPECT_EQ(table()->selectionModel()->selectedRows().value(0).row(), 1) << "the selection stays";
}

TEST_F(ActionsTest, AddedRowIsScrolledIntoView)
{
    std::string many;
    for (int i = 0; i < 200; ++i)
        many += "/addworld -T'tiny' W" + std::to_string(i) + " c p h 1\n";
    writeScript(many);
    open();
    ASSERT_EQ(table()->verticalScrollBar()->value(), 0);
    inEditor([&] { QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier); }, [&](QDialog*) {
        fillEditor("tiny", "Last", "c", "p", "p", "h", "1");
        QTest::keyClick(widget<QLineEdit>("textPort"), Qt::Key_Return); // Return is OK
    });
    ASSERT_EQ(rows(), 201);
    const QRect lastRow = table()->visualRect(table()->model()->index(200, 0));
    EXPECT_TRUE(table()->viewport()->rect().intersects(lastRow)) << "the new row is visible";
}

TEST_F(ActionsTest, EditThenCancelChangesNothing)
{
    writeScript(kThree);
    open();
    const auto before = window->worlds();
    selectRow(0);
    const auto visit = inEditor([&] { click("buttonEditWorld"); }, [&](QDialog* panel) {
        fillEditor("x", "Changed", "x", "x", "x", "x", "x");
        QTest::keyClick(panel, Qt::Key_Escape); // Escape is Cancel
    });
    ASSERT_TRUE(visit.opened);
    EXPECT_FALSE(visit.leftOpen);
    EXPECT_EQ(window->worlds(), before);
    EXPECT_EQ(cell(0, 0), "A");
}

TEST_F(ActionsTest, EditShowsTheRecordAndOkKeepsProxyAndFile)
{
    writeScript(kThree);
    open();
    selectRow(1);
    QStringList shown;
    const auto visit = inEditor([&] { click("buttonEditWorld"); }, [&](QDialog*) {
        for (const char* f : {"textWorldName", "textCharacter", "textPassword", "textConfPass", "textHost", "textPort"})
            shown << widget<QLineEdit>(f)->text();
        shown << widget<QComboBox>("comboType")->currentText();
        widget<QLineEdit>("textHost")->setText("new.example.net");
        click("buttonWorldOK");
    });
    ASSERT_TRUE(visit.opened);
    EXPECT_EQ(shown, (QStringList{"B", "cb", "pb", "pb", "hb", "2", "lp"}));
    const wevel::WorldRecord& edited = window->worlds().at(1);
    EXPECT_EQ(edited.value(WorldKey::Host), "new.example.net");
    EXPECT_EQ(edited.value(WorldKey::UseProxy), "-p");
    EXPECT_EQ(edited.value(WorldKey::UseFile), "b.tf");
    EXPECT_EQ(cell(1, 3), "new.example.net");
    EXPECT_EQ(rows(), 3);
}

TEST_F(ActionsTest, EditWithoutSelectionDoesNotOpen)
{
    writeScript(kThree);
    open();
    const auto visit = inEditor([&] { click("buttonEditWorld"); }, [](QDialog*) {});
    EXPECT_FALSE(visit.opened);
}

TEST_F(ActionsTest, ReturnOrDoubleClickOnARowEdits)
{
    writeScript(kThree);
    open();
    selectRow(2);
    table()->setFocus();
    QString name;
    auto readName = [&](QDialog* panel) {
        name = widget<QLineEdit>("textWorldName")->text();
        panel->reject();
    };
    EXPECT_TRUE(inEditor([&] { QTest::keyClick(table(), Qt::Key_Return); }, readName).opened);
    EXPECT_EQ(name, "C");
    name.clear();
    const QRect row0 = table()->visualRect(table()->model()->index(0, 0));
    EXPECT_TRUE(inEditor([&] {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, row0.center());
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, row0.center());
    }, readName).opened);
    EXPECT_EQ(name, "A");
}

TEST_F(ActionsTest, AddRightAfterEditShowsEmptyFields)
{
    writeScript(kThree);
    open();
    selectRow(0);
    inEditor([&] { click("buttonEditWorld"); }, [](QDialog* panel) { panel->reject(); });
    QStringList shown;
    inEditor([&] { click("buttonAddWorld"); }, [&](QDialog* panel) {
        for (const char* f : {"textWorldName", "textCharacter", "textPassword", "textConfPass", "textHost", "textPort"})
            shown << widget<QLineEdit>(f)->text();
        shown << widget<QComboBox>("comboType")->currentText();
        panel->reject();
    });
    EXPECT_EQ(shown, QStringList(7, ""));
}

TEST_F(ActionsTest, DifferingPasswordsAreRefused)
{
    writeScript(kThree);
    open();
    QString error;
    const auto visit = inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny", "New", "me", "secret", "secrte", "h", "1");
        click("buttonWorldOK");
        error = widget<QLabel>("labelWorldError")->text();
    });
    EXPECT_TRUE(visit.leftOpen) << "OK does not close the editor";
    EXPECT_TRUE(error.contains("passwords differ")) << error.toStdString();
    EXPECT_EQ(rows(), 3) << "nothing is stored";
}

struct RefusedCase {
    const char* name;
    const char* field;
    QString value;
    const char* message;
};

class RefusedValueTest : public WindowTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedValueTest, OkRefusesWhatWouldNotReadBack)
{
    writeScript(kThree);
    open();
    selectRow(0);
    QString error;
    const auto visit = inEditor([&] { click("buttonEditWorld"); }, [&](QDialog*) {
        widget<QLineEdit>(GetParam().field)->setText(GetParam().value);
        if (QString(GetParam().field) == "textPassword")
            widget<QLineEdit>("textConfPass")->setText(GetParam().value);
        click("buttonWorldOK");
        error = widget<QLabel>("labelWorldError")->text();
    });
    EXPECT_TRUE(visit.leftOpen);
    EXPECT_TRUE(error.contains(GetParam().message)) << error.toStdString();
    EXPECT_EQ(cell(0, 0), "A");
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Character), "ca");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusedValueTest,
    ::testing::Values(RefusedCase{"blankInWorld", "textWorldName", "Two Words", "World holds a blank"},
                      RefusedCase{"blankInPassword", "textPassword", "a b", "Password holds a blank"},
                      RefusedCase{"lineBreakInHost", "textHost", "h\n/quit", "Host holds a line break"},
                      RefusedCase{"typeFlagAsName", "textWorldName", "-Tname", "World begins with \"-T\""}),
    [](const auto& info) { return info.param.name; });

TEST_F(ActionsTest, IncompleteWorldIsWarnedAboutButAccepted)
{
    open();
    QString warning;
    const auto visit = inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny", "W", "me", "", "", "host.example", "");
        warning = widget<QLabel>("labelWorldWarning")->text();
        click("buttonWorldOK");
    });
    EXPECT_FALSE(visit.leftOpen);
    EXPECT_TRUE(warning.contains("character and password")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("host and port")) << warning.toStdString();
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Port), "");
}

TEST_F(ActionsTest, AddedAndEditedWorldsAreSaved)
{
    writeScript(kThree);
    open();
    const auto visit = inEditor([&] { QTest::keyClick(window.get(), Qt::Key_Insert); }, [&](QDialog*) {
        fillEditor("", "", "", "", "", "", "");
        click("buttonWorldOK");
    });
    ASSERT_TRUE(visit.opened);
    EXPECT_FALSE(visit.leftOpen);
    ASSERT_TRUE(window->isActiveWindow()) << "the window has the keys again";
    const std::string out = printedBy([&] { QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier); });
    EXPECT_FALSE(out.empty()) << status().toStdString();
    EXPECT_NE(readFile(scriptPath()).find(kThree + "/addworld -T''     \n"), std::string::npos);
}

TEST_F(ActionsTest, PasswordFieldsAreMaskedAndExplained)
{
    open();
    EXPECT_EQ(widget<QLineEdit>("textPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(widget<QLineEdit>("textConfPass")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(widget<QLabel>("labelPasswordNote")->text().contains("~/.wevelrc"));
}

} // namespace

namespace {

// Return is OK from every field of the editor, the type box included.
class ReturnInEditorTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ReturnInEditorTest, AcceptsTheWorld)
{
    open();
    const auto visit = inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny", "W", "c", "p", "p", "h", "1");
        QWidget* field = window->findChild<QWidget*>(GetParam());
        if (auto* combo = qobject_cast<QComboBox*>(field))
            field = combo->lineEdit();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    });
    EXPECT_FALSE(visit.leftOpen);
    EXPECT_EQ(rows(), 1);
}

INSTANTIATE_TEST_SUITE_P(Fields, ReturnInEditorTest,
                         ::testing::Values("comboType", "textWorldName", "textPassword", "textConfPass", "textPort"));

} // namespace

namespace {

// The type box lists lower-case types; a type typed or read in another case
// is stored as it stands when Return accepts the editor.
TEST_F(ActionsTest, TypeKeepsItsCaseThroughReturn)
{
    writeScript("/addworld -T'TINY' W c p h 1\n");
    open();
    selectRow(0);
    inEditor([&] { click("buttonEditWorld"); }, [&](QDialog*) {
        QTest::keyClick(widget<QComboBox>("comboType")->lineEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Type), "TINY");

    const auto visit = inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("", "V", "c", "p", "p", "h", "1");
        QLineEdit* type = widget<QComboBox>("comboType")->lineEdit();
        type->setFocus();
        QTest::keyClicks(type, "Tin");
        QTest::keyClick(type, Qt::Key_Return);
    });
    EXPECT_FALSE(visit.leftOpen) << "Return accepts at once, with nothing completed";
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(window->worlds().at(1).value(WorldKey::Type), "Tin");
}

} // namespace

namespace {

// A value too long to edit in a field is shown cut, so painting stays quick,
// and comes back whole unless the user replaces it.
TEST_F(ActionsTest, HugeValuesAreShownCutAndKeptWhole)
{
    const std::string folder = "/" + std::string(1 << 20, 'd');
    const std::string character(1 << 20, 'c');
    writeScript("/lcd " + folder + "\n/addworld -T'tiny' W " + character + " p h 1\n");
    open();
    EXPECT_LT(widget<QLineEdit>("textScriptFolder")->text().size(), 1000);

    selectRow(0);
    QString shown;
    inEditor([&] { click("buttonEditWorld"); }, [&](QDialog*) {
        shown = widget<QLineEdit>("textCharacter")->text();
        widget<QLineEdit>("textHost")->setText("new.example.org");
        click("buttonWorldOK");
    });
    EXPECT_LT(shown.size(), 1000);
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Character), character) << "kept whole through OK";
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Host), "new.example.org");

    inEditor([&] { click("buttonEditWorld"); }, [&](QDialog*) {
        widget<QLineEdit>("textCharacter")->setText("short");
        click("buttonWorldOK");
    });
    EXPECT_EQ(window->worlds().at(0).value(WorldKey::Character), "short") << "a replaced value is taken";

    const std::string out = printedBy([&] { click("buttonSave"); });
    EXPECT_NE(out.find("/lcd " + folder + "\n"), std::string::npos) << "the client gets the whole folder";
    EXPECT_NE(readFile(scriptPath()).find("/lcd " + folder + "\n"), std::string::npos);
}

} // namespace

namespace {

// What the editor lets through with a warning, or silently: a world without
// a name, a port that is no number, a name another world has.
TEST_F(ActionsTest, OddButReadableValuesAreAccepted)
{
    writeScript("/addworld -T'tiny' Dup c p h 1\n");
    open();
    QString warning;
    inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny", "", "c", "p", "p", "h", "telnet");
        warning = widget<QLabel>("labelWorldWarning")->text();
        click("buttonWorldOK");
    });
    EXPECT_TRUE(warning.contains("name")) << warning.toStdString();
    inEditor([&] { click("buttonAddWorld"); }, [&](QDialog*) {
        fillEditor("tiny", "Dup", "c", "p", "p", "h", "1");
        EXPECT_TRUE(widget<QLabel>("labelWorldWarning")->text().isEmpty());
        click("buttonWorldOK");
    });
    EXPECT_EQ(column(0), (QStringList{"Dup", "", "Dup"}));
    EXPECT_EQ(column(4), (QStringList{"1", "telnet", "1"}));
}

// Tab walks the settings, the table and the buttons in reading order; a
// label's mnemonic reaches its field.
TEST_F(ActionsTest, TabOrderAndMnemonics)
{
    open();
    const char* order[] = {"checkUseVisual", "checkUseMore", "checkAllowRedef", "popupISize",
                           "popupDefMatch", "textScriptFolder", "buttonBrowseFolder", "tableWorlds",
                           "buttonAddWorld", "buttonEditWorld", "buttonDeleteWorld", "buttonCancel",
                           "buttonSave"};
    widget<QWidget>(order[0])->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), widget<QWidget>(order[i])) << "after " << order[i - 1];
    }
    QTest::keyClick(window.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), widget<QWidget>("textScriptFolder"));

    inEditor([&] { click("buttonAddWorld"); }, [&](QDialog* panel) {
        EXPECT_EQ(panel->focusWidget(), widget<QComboBox>("comboType")) << "focus starts on Type";
        // Offscreen there is no window manager to hand the keys to the editor.
        QApplication::setActiveWindow(panel);
        QTest::keyClick(panel, Qt::Key_H, Qt::AltModifier);
        EXPECT_EQ(panel->focusWidget(), widget<QWidget>("textHost"));
        panel->reject();
    });
}

} // namespace
