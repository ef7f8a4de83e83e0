#include "WevelConfController.h"

#include "AtomicFile.h"
#include "ByteText.h"
#include "ScriptWriter.h"
#include "WorldLineCheck.h"
#include "ui_WevelConfWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unistd.h>

using ByteText::fromDisplay;
using ByteText::toDisplay;
using wevel::WorldKey;
using wevel::WorldRecord;

namespace {

QString fromAscii(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Pop-ups select by exact title; a title naming no item keeps the selection.
void selectItemWithTitle(QComboBox* popup, std::string_view title)
{
    const int index = popup->findText(toDisplay(title), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        popup->setCurrentIndex(index);
}

template <std::size_t N>
void fillPopup(QComboBox* popup, const std::array<std::string_view, N>& items)
{
    popup->clear();
    for (std::string_view item : items)
        popup->addItem(fromAscii(item));
}

} // namespace

// ---------------------------------------------------------------- State and table

WevelConfController::WevelConfController(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::WevelConfWindow>())
{
    // The template is compiled into a static library, whose resources must
    // be registered by hand.
    Q_INIT_RESOURCE(wevelconf);
    init();
    ui->setupUi(this);
    model_ = new WorldTableModel(*this, this);
    ui->tableWorlds->setModel(model_);
    // Keys the layout cannot express: Delete acts on the table only, so it
    // still deletes text in the folder field; Insert adds like Ctrl+N.
    ui->tableWorlds->addAction(ui->actionDeleteWorld);
    ui->actionAddWorld->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::Key_Insert)});
    for (QLineEdit* field : {ui->textWorldName, ui->textCharacter, ui->textPassword, ui->textConfPass,
                             ui->textHost, ui->textPort, ui->comboType->lineEdit()})
        connect(field, &QLineEdit::textChanged, this, &WevelConfController::updateWorldWarning);
    // The type is stored as typed: without a completer the type box neither
    // completes inline nor, on Return, swaps "TINY" for its listed "tiny".
    ui->comboType->setCompleter(nullptr);
    // A line edit keeps 32767 characters unless told otherwise, and would cut
    // a longer value from the script without a word; Save would write it cut.
    for (QLineEdit* field : {ui->textScriptFolder, ui->textWorldName, ui->textCharacter, ui->textPassword,
                             ui->textConfPass, ui->textHost, ui->textPort, ui->comboType->lineEdit()})
        field->setMaxLength(std::numeric_limits<int>::max());
    showStatus({});
    awakeFromNib();
    ui->tableWorlds->setFocus();
}

WevelConfController::~WevelConfController() = default;

void WevelConfController::init()
{
    arrayWorlds.clear();
    bAddWorld = false;
}

int WevelConfController::numberOfRowsInTableView() const
{
    return static_cast<int>(arrayWorlds.size());
}

std::string_view WevelConfController::objectValueForTableColumn(std::string_view identifier,
                                                                int rowIndex) const
{
    const auto key = wevel::worldKeyFromName(identifier);
    if (!key)
        return {};
    return arrayWorlds[static_cast<std::size_t>(rowIndex)].value(*key);
}

std::string WevelConfController::scriptPath()
{
    return wevel::expandTilde("~/.wevelrc");
}

int WevelConfController::selectedRow() const
{
    const QModelIndexList rows = ui->tableWorlds->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

wevel::ScriptSettings WevelConfController::currentSettings() const
{
    wevel::ScriptSettings s;
    // Only a fully checked box counts as on; a mixed state is off.
    s.visual = ui->checkUseVisual->checkState() == Qt::Checked;
    s.isize = fromDisplay(ui->popupISize->currentText());
    s.more = ui->checkUseMore->checkState() == Qt::Checked;
    s.redef = ui->checkAllowRedef->checkState() == Qt::Checked;
    s.matching = fromDisplay(ui->popupDefMatch->currentText());
    s.scriptFolder = bytesOf(ui->textScriptFolder);
    return s;
}

void WevelConfController::showBytes(QLineEdit* field, std::string_view bytes)
{
    // A line edit lays out its whole text on every paint: a value of
    // megabytes would stall the window. Such a value is shown cut, and kept
    // whole for as long as the field shows it unchanged.
    if (bytes.size() <= kEditableBytes) {
        keptValues_.remove(field);
        field->setText(toDisplay(bytes));
        return;
    }
    const QString shown = toDisplay(bytes.substr(0, WorldTableModel::kCellBytes)) + QChar(0x2026);
    keptValues_.insert(field, {shown, std::string(bytes)});
    field->setText(shown);
}

std::string WevelConfController::bytesOf(const QLineEdit* field) const
{
    const auto kept = keptValues_.constFind(field);
    if (kept != keptValues_.constEnd() && field->text() == kept->shown)
        return kept->bytes;
    return fromDisplay(field->text());
}

// ---------------------------------------------------------------- Reading

void WevelConfController::awakeFromNib()
{
    fillPopup(ui->popupISize, wevel::kISizeItems);
    fillPopup(ui->popupDefMatch, wevel::kMatchingItems);

    // A missing script reads as an empty one: the window opens with its
    // starting values. An unreadable one does too, but the user is told.
    std::string contents;
    bool missing = false;
    if (const wevel::FileResult error = wevel::readWholeFile(scriptPath(), contents, &missing))
        showStatus(tr("%1. The window shows the starting values.").arg(toDisplay(error->message)));
    wevel::reserveWorlds(arrayWorlds, contents);
    wevel::forEachCommandLine(contents, [this](std::string_view strTemp) { parseCommand(strTemp); });
    model_->reloadData();
}

void WevelConfController::parseCommand(std::string_view strCmd)
{
    wevel::parseCommand(strCmd, *this);
}

void WevelConfController::addWorldRecord(std::string_view strWorld, std::string_view strType,
                                         std::string_view strChar, std::string_view strPass,
                                         std::string_view strHost, std::string_view strPort,
                                         std::string_view strProxy, std::string_view strFile)
{
    // Built in place: a record carries its values inside it, so a move would copy them.
    arrayWorlds.emplace_back(std::array<std::string_view, wevel::kWorldKeyCount>{
        strType, strWorld, strChar, strPass, strHost, strPort, strProxy, strFile});
}

void WevelConfController::setScriptFolder(std::string_view folder)
{
    showBytes(ui->textScriptFolder, folder);
}

void WevelConfController::turnOn(wevel::Switch which)
{
    switch (which) {
    case wevel::Switch::Visual: ui->checkUseVisual->setCheckState(Qt::Checked); break;
    case wevel::Switch::More: ui->checkUseMore->setCheckState(Qt::Checked); break;
    case wevel::Switch::Redef: ui->checkAllowRedef->setCheckState(Qt::Checked); break;
    }
}

void WevelConfController::selectChoice(wevel::Choice which, std::string_view title)
{
    selectItemWithTitle(which == wevel::Choice::ISize ? ui->popupISize : ui->popupDefMatch, title);
}

// ---------------------------------------------------------------- Writing

void WevelConfController::saveConfig()
{
    const wevel::ScriptSettings settings = currentSettings();
    const QString path = QString::fromLocal8Bit(scriptPath());

    // A line break in a value would end its line early and slip commands of
    // its own into the script and the client.
    if (const auto where = wevel::findLineBreak(settings, arrayWorlds)) {
        showStatus(tr("Not saved: %1 holds a line break, which would add a command of its own "
                      "to %2. Remove it and save again.")
                       .arg(toDisplay(*where), path));
        return;
    }

    QFile templateFile(QStringLiteral(":/template.wevelrc"));
    if (!templateFile.open(QIODevice::ReadOnly)) {
        showStatus(tr("Not saved: cannot read the built-in template: %1.").arg(templateFile.errorString()));
        return;
    }
    const QByteArray templateBytes = templateFile.readAll();
    const std::string templateText(templateBytes.constData(), static_cast<std::size_t>(templateBytes.size()));

    // The script is filled as it is written, never held whole.
    const wevel::ByteSource script = [&](const wevel::ByteSink& sink) {
        return wevel::fillTemplateInto(templateText, settings, arrayWorlds, sink);
    };
    if (const wevel::FileResult error = wevel::saveWithBackup(scriptPath(), script)) {
        if (error->replaced)
            showStatus(tr("%2 was written, but %1, so it may not survive a crash. Save again, "
                          "or Cancel to keep it as it is.")
                           .arg(toDisplay(error->message), path));
        else
            showStatus(tr("Not saved: %1. %2 has not been changed.").arg(toDisplay(error->message), path));
        return;
    }

    // Only now, with the script safely written, tell the client.
    if (!wevel::writeAll(STDOUT_FILENO, wevel::channelLines(settings))) {
        std::fprintf(stderr, "wevelconf: saved %s, but cannot tell the client: %s\n",
                     scriptPath().c_str(), std::strerror(errno));
        terminate(1);
        return;
    }
    terminate(0);
}

void WevelConfController::showStatus(const QString& message)
{
    ui->textStatus->setText(message);
    ui->textStatus->setVisible(!message.isEmpty());
}

void WevelConfController::terminate(int exitCode)
{
    // Nothing more may happen in the window once the tool is ending.
    setEnabled(false);
    emit terminateRequested(exitCode);
}

// ---------------------------------------------------------------- Main window

void WevelConfController::deleteWorld()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    model_->deleteRow(row, [&] { arrayWorlds.erase(arrayWorlds.begin() + row); });
}

void WevelConfController::browseForFolder()
{
    auto* panel = new QFileDialog(this, tr("Choose the script folder"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd(panel, result == QDialog::Accepted ? 1 : 0);
    });
    panel->open();
}

void WevelConfController::openPanelDidEnd(QFileDialog* sheet, int returnCode)
{
    if (returnCode != 1)
        return;
    const QStringList chosen = sheet->selectedFiles();
    if (chosen.isEmpty())
        return;
    const QString folder = chosen.first();
    const auto refuse = [&](const QString& why) {
        QString shown = folder;
        shown.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
        showStatus(tr("The folder \"%1\" was not taken: %2").arg(shown, why));
    };
    if (folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r'))) {
        refuse(tr("its name holds a line break, which would add a command of its own to the "
                  "startup script."));
        return;
    }
    // Qt hands file names over as UTF-8 text; a name in another encoding
    // arrives with its odd bytes replaced, and would be saved as a wrong path.
    if (folder.contains(QChar::ReplacementCharacter)) {
        refuse(tr("its name is not valid UTF-8, and would be saved changed. Type the path into "
                  "the field instead."));
        return;
    }
    showStatus({});
    ui->textScriptFolder->setText(folder);
}

void WevelConfController::cancelConfig()
{
    terminate(0);
}

// ---------------------------------------------------------------- World editor

void WevelConfController::addWorld()
{
    bAddWorld = true;
    for (QLineEdit* field : {ui->comboType->lineEdit(), ui->textWorldName, ui->textCharacter,
                             ui->textPassword, ui->textConfPass, ui->textHost, ui->textPort})
        showBytes(field, {});
    openWorldPanel();
}

void WevelConfController::editWorld()
{
    bAddWorld = false;
    const int row = selectedRow();
    if (row < 0)
        return;
    editedRow_ = row;
    const WorldRecord& world = arrayWorlds[static_cast<std::size_t>(row)];
    showBytes(ui->comboType->lineEdit(), world.value(WorldKey::Type));
    showBytes(ui->textWorldName, world.value(WorldKey::World));
    showBytes(ui->textCharacter, world.value(WorldKey::Character));
    showBytes(ui->textPassword, world.value(WorldKey::Pass));
    showBytes(ui->textConfPass, world.value(WorldKey::Pass));
    showBytes(ui->textHost, world.value(WorldKey::Host));
    showBytes(ui->textPort, world.value(WorldKey::Port));
    openWorldPanel();
}

void WevelConfController::openWorldPanel()
{
    ui->labelWorldError->clear();
    ui->labelWorldError->hide();
    updateWorldWarning();
    ui->panelWorld->setWindowTitle(bAddWorld ? tr("Add World") : tr("Edit World"));
    ui->comboType->setFocus();
    // Window-modal: only the editor takes input until OK or Cancel, and this
    // call returns only then.
    ui->panelWorld->exec();
    // Give the keys back to the window (not every window manager does), so
    // Ctrl+S and Escape work at once.
    activateWindow();
    ui->tableWorlds->setFocus();
}

WorldRecord WevelConfController::worldFromPanel() const
{
    return wevel::makeEditorWorld(
        bytesOf(ui->comboType->lineEdit()), bytesOf(ui->textWorldName), bytesOf(ui->textCharacter),
        bytesOf(ui->textPassword), bytesOf(ui->textHost), bytesOf(ui->textPort));
}

void WevelConfController::updateWorldWarning()
{
    QStringList lines;
    for (const std::string& warning : wevel::clientWarnings(worldFromPanel()))
        lines << QString::fromStdString(warning);
    ui->labelWorldWarning->setText(lines.join(QLatin1Char(' ')));
    ui->labelWorldWarning->setVisible(!lines.isEmpty());
}

void WevelConfController::onWorldOK()
{
    auto refuse = [this](const QString& why) {
        ui->labelWorldError->setText(why);
        ui->labelWorldError->show();
    };
    if (ui->textPassword->text() != ui->textConfPass->text()) {
        refuse(tr("The two passwords differ. Type the same password in both fields."));
        ui->textConfPass->setFocus();
        return;
    }
    const WorldRecord entered = worldFromPanel();
    if (const auto problem = wevel::worldEntryProblem(entered)) {
        refuse(QString::fromStdString(*problem));
        return;
    }

    if (bAddWorld) {
        model_->insertLastRow([&] { arrayWorlds.push_back(entered); });
        ui->tableWorlds->scrollTo(model_->index(model_->rowCount() - 1, 0));
    } else if (editedRow_ >= 0 && editedRow_ < numberOfRowsInTableView()) {
        // Edit in place: a proxy flag or file argument the world had stays.
        WorldRecord& world = arrayWorlds[static_cast<std::size_t>(editedRow_)];
        for (WorldKey key : {WorldKey::Type, WorldKey::World, WorldKey::Character, WorldKey::Pass,
                             WorldKey::Host, WorldKey::Port})
            world.set(key, entered.value(key));
        model_->rowChanged(editedRow_);
    }
    closeWorldPanel(true);
}

void WevelConfController::onWorldCancel()
{
    closeWorldPanel(false);
}

void WevelConfController::closeWorldPanel(bool accepted)
{
    if (accepted)
        ui->panelWorld->accept();
    else
        ui->panelWorld->reject();
}
