#pragma once

#include "ScriptReader.h"
#include "ScriptSettings.h"
#include "WorldRecord.h"
#include "WorldTableModel.h"

#include <QHash>
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QFileDialog;
class QLineEdit;
namespace Ui {
class WevelConfWindow;
}

// The one controller of wevelconf: it owns the world list, reads
// ~/.wevelrc into the window when it opens, and writes it back on Save.
class WevelConfController : public QMainWindow,
                            public WorldTableDataSource,
                            private wevel::ScriptSink {
    Q_OBJECT
public:
    explicit WevelConfController(QWidget* parent = nullptr);
    ~WevelConfController() override;

    // The world table's data source.
    int numberOfRowsInTableView() const override;
    std::string_view objectValueForTableColumn(std::string_view identifier,
                                               int rowIndex) const override;

    const std::vector<wevel::WorldRecord>& worlds() const { return arrayWorlds; }
    // ~/.wevelrc with "~" expanded.
    static std::string scriptPath();

public slots:
    // Main window
    void deleteWorld();
    void browseForFolder();
    void openPanelDidEnd(QFileDialog* sheet, int returnCode);
    void cancelConfig();
    // Writing
    void saveConfig();
    // World editor
    void addWorld();
    void editWorld();
    void onWorldOK();
    void onWorldCancel();

signals:
    // Save or Cancel ends the tool with this exit status; main ends the event loop.
    void terminateRequested(int exitCode);

private:
    // State and table
    void init();
    int selectedRow() const;
    wevel::ScriptSettings currentSettings() const;
    // A field's text as bytes, and bytes into a field, losing none.
    void showBytes(QLineEdit* field, std::string_view bytes);
    std::string bytesOf(const QLineEdit* field) const;

    // Reading
    void awakeFromNib();
    void parseCommand(std::string_view strCmd);
    void addWorldRecord(std::string_view strWorld, std::string_view strType,
                        std::string_view strChar, std::string_view strPass,
                        std::string_view strHost, std::string_view strPort,
                        std::string_view strProxy, std::string_view strFile) override;
    void setScriptFolder(std::string_view folder) override;
    void turnOn(wevel::Switch which) override;
    void selectChoice(wevel::Choice which, std::string_view title) override;

    // Writing
    void showStatus(const QString& message);
    void terminate(int exitCode);

    // World editor
    void openWorldPanel();
    void closeWorldPanel(bool accepted);
    wevel::WorldRecord worldFromPanel() const;
    void updateWorldWarning();

    std::unique_ptr<Ui::WevelConfWindow> ui;
    WorldTableModel* model_ = nullptr;
    std::vector<wevel::WorldRecord> arrayWorlds;
    bool bAddWorld = false;
    int editedRow_ = -1; // the row the editor was opened for in edit mode

    // Values too long to edit in a field, shown cut and kept whole here.
    static constexpr std::size_t kEditableBytes = 4096;
    struct KeptValue {
        QString shown;
        std::string bytes;
    };
    QHash<const QLineEdit*, KeptValue> keptValues_;
};
