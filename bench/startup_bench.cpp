// What main does, up to the first painted window, then quits:
// QApplication on the offscreen platform, the controller (which reads
// $HOME/.wevelrc), show(), events until the window has been painted once.
//
//   startup_bench app     - WevelConfController, as main builds it
//   startup_bench bare    - a bare QMainWindow, for the cost of Qt itself
//   startup_bench scroll [ROUNDS]
//                         - the controller, then scrolls to the last world
//                           and selects it, ROUNDS times, counting the
//                           cells the table asks for
//
// Standard output gets one summary line of key-value pairs.

#include "BenchUtil.h"
#include "WevelConfController.h"
#include "WorldTableModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableView>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until `watched` has had a paint event since `counter`
// was last reset, or until a generous bound of rounds. False if it never came.
bool processUntilPainted(PaintCounter& counter)
{
    for (int i = 0; i < 10000 && counter.paints == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return counter.paints > 0;
}

// Stands between the table and the controller and counts the cells asked for.
class CountingSource : public WorldTableDataSource {
public:
    explicit CountingSource(const WorldTableDataSource& inner) : inner_(inner) {}
    int numberOfRowsInTableView() const override { return inner_.numberOfRowsInTableView(); }
    std::string_view objectValueForTableColumn(std::string_view identifier,
                                               int rowIndex) const override
    {
        ++cells;
        return inner_.objectValueForTableColumn(identifier, rowIndex);
    }
    mutable long cells = 0;

private:
    const WorldTableDataSource& inner_;
};

int runStartup(bool bare)
{
    const double t0 = bench::nowMs();
    int argc = 3;
    char arg0[] = "startup_bench", arg1[] = "-platform", arg2[] = "offscreen";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    QApplication app(argc, argv);
    const double t1 = bench::nowMs();

    QMainWindow* window = bare ? new QMainWindow : new WevelConfController;
    const double t2 = bench::nowMs();
    PaintCounter painted;
    window->installEventFilter(&painted);
    window->show();
    const bool ok = processUntilPainted(painted);
    const double t3 = bench::nowMs();
    const int rows = bare ? 0 : static_cast<WevelConfController*>(window)->numberOfRowsInTableView();
    delete window;
    const double t4 = bench::nowMs();
    std::printf("painted %d worlds %d app_ms %.2f window_ms %.2f show_paint_ms %.2f close_ms %.2f "
                "peak_rss_kib %ld\n",
                ok ? 1 : 0, rows, t1 - t0, t2 - t1, t3 - t2, t4 - t3, bench::peakRssKiB());
    return ok ? 0 : 1;
}

int runScroll(int rounds)
{
    int argc = 3;
    char arg0[] = "startup_bench", arg1[] = "-platform", arg2[] = "offscreen";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    QApplication app(argc, argv);

    WevelConfController controller;
    auto* table = controller.findChild<QTableView*>(QStringLiteral("tableWorlds"));
    if (!table) {
        std::fprintf(stderr, "startup_bench: no world table\n");
        return 1;
    }
    // The same model class and view, with a data source that counts.
    CountingSource counting(controller);
    WorldTableModel model(counting);
    table->setModel(&model);

    PaintCounter painted;
    table->viewport()->installEventFilter(&painted);
    controller.show();
    if (!processUntilPainted(painted))
        return 1;
    const long startupCells = counting.cells;

    const int last = model.rowCount() - 1;
    if (last < 0) {
        std::fprintf(stderr, "startup_bench: no worlds to scroll to\n");
        return 1;
    }
    std::vector<double> ms;
    std::vector<long> cells;
    for (int r = 0; r < rounds; ++r) {
        // Back to the top, painted, so every round scrolls the whole way.
        table->scrollToTop();
        painted.paints = 0;
        processUntilPainted(painted);

        painted.paints = 0;
        counting.cells = 0;
        const double t0 = bench::nowMs();
        table->scrollTo(model.index(last, 0));
        table->selectRow(last);
        processUntilPainted(painted);
        const double t1 = bench::nowMs();
        ms.push_back(t1 - t0);
        cells.push_back(counting.cells);
    }
    const bool selected = table->selectionModel()->isRowSelected(last, {});
    const QHeaderView* rowsHeader = table->verticalHeader();
    std::printf("worlds %d startup_cells %ld scroll_select_ms %.3f scroll_cells_max %ld "
                "last_selected %d row_resize_mode %d row_section_size %d\n",
                last + 1, startupCells, bench::median(ms), *std::max_element(cells.begin(), cells.end()),
                selected ? 1 : 0, static_cast<int>(rowsHeader->sectionResizeMode(0)),
                rowsHeader->defaultSectionSize());
    return selected ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "app") == 0)
        return runStartup(false);
    if (argc >= 2 && std::strcmp(argv[1], "bare") == 0)
        return runStartup(true);
    if (argc >= 2 && std::strcmp(argv[1], "scroll") == 0)
        return runScroll(argc >= 3 ? std::atoi(argv[2]) : 5);
    std::fprintf(stderr, "usage: startup_bench app|bare|scroll [ROUNDS]\n");
    return 2;
}
