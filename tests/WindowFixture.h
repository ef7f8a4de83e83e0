#pragma once

#include "WevelConfController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Captures what is written to file descriptor 1 while it lives.
class StdoutCapture {
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        char templ[] = "/tmp/wevel-stdout-XXXXXX";
        fd_ = ::mkstemp(templ);
        ::unlink(templ);
        saved_ = ::dup(STDOUT_FILENO);
        ::dup2(fd_, STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    std::string text()
    {
        restore();
        std::string out;
        ::lseek(fd_, 0, SEEK_SET);
        char buf[4096];
        for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<std::size_t>(n));
        return out;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    int fd_ = -1;
    int saved_ = -1;
};

// A window opened on a startup script in a temporary home folder, driven
// through its real widgets.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char templ[] = "/tmp/wevel-home-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        home = templ;
        ::setenv("HOME", home.c_str(), 1);
    }

    void TearDown() override
    {
        window.reset();
        std::system(("rm -rf '" + home + "'").c_str());
    }

    std::string scriptPath() const { return home + "/.wevelrc"; }

    void writeScript(const std::string& text, mode_t mode = 0600) const
    {
        const int fd = ::open(scriptPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }

    static std::string readFile(const std::string& path)
    {
        std::string data;
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0)
            return "<missing>";
        char buf[65536];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
            data.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
        return data;
    }

    std::set<std::string> homeEntries() const
    {
        std::set<std::string> names;
        DIR* d = ::opendir(home.c_str());
        if (!d)
            return names;
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        ::closedir(d);
        return names;
    }

    void open()
    {
        window = std::make_unique<WevelConfController>();
        terminated = std::make_unique<QSignalSpy>(window.get(), &WevelConfController::terminateRequested);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // What `action` writes to file descriptor 1: the client reads the tool's
    // standard output, so that is where the check belongs.
    static std::string printedBy(const std::function<void()>& action)
    {
        StdoutCapture capture;
        action();
        return capture.text();
    }

    template <class T>
    T* widget(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QTableView* table() const { return widget<QTableView>("tableWorlds"); }
    int rows() const { return table()->model()->rowCount(); }
    QString cell(int row, int column) const
    {
        return table()->model()->index(row, column).data().toString();
    }
    QStringList column(int c) const
    {
        QStringList values;
        for (int r = 0; r < rows(); ++r)
            values << cell(r, c);
        return values;
    }
    void selectRow(int row) const { table()->selectRow(row); }
    void click(const char* button) const { QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton); }
    QString status() const
    {
        QLabel* s = widget<QLabel>("textStatus");
        return s->isVisible() ? s->text() : QString();
    }

    // Runs `trigger` (which opens the world editor and returns only when it
    // closes) and `act` inside the editor's own loop. An editor that `act`
    // leaves open is cancelled, and reported through the return value.
    struct EditorVisit {
        bool opened = false;
        bool leftOpen = false;
    };
    EditorVisit inEditor(const std::function<void()>& trigger, const std::function<void(QDialog*)>& act)
    {
        EditorVisit visit;
        QDialog* panel = widget<QDialog>("panelWorld");
        QTimer timer; // dies with this call, so it never fires into a later test
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            visit.opened = panel->isVisible();
            if (!visit.opened)
                return;
            act(panel);
            if (panel->isVisible()) {
                visit.leftOpen = true;
                panel->reject();
            }
        });
        timer.start(0);
        trigger();
        // Deliver what the window system queued on closing (the activation
        // of the main window).
        QCoreApplication::processEvents();
        return visit;
    }

    void fillEditor(const QString& type, const QString& name, const QString& chr, const QString& pass,
                    const QString& conf, const QString& host, const QString& port) const
    {
        widget<QComboBox>("comboType")->setEditText(type);
        widget<QLineEdit>("textWorldName")->setText(name);
        widget<QLineEdit>("textCharacter")->setText(chr);
        widget<QLineEdit>("textPassword")->setText(pass);
        widget<QLineEdit>("textConfPass")->setText(conf);
        widget<QLineEdit>("textHost")->setText(host);
        widget<QLineEdit>("textPort")->setText(port);
    }

    std::string home;
    std::unique_ptr<WevelConfController> window;
    std::unique_ptr<QSignalSpy> terminated;
};

