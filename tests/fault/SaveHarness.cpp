// save_harness: wevelconf as main builds it, which presses Ctrl+S by itself
// once its event loop runs and then ends with the window's exit status.
// The fault tests start it with HOME pointing at a scratch folder, then kill
// it midway or make its writes fail.
//
//   save_harness [--wait] [--report]
//
//   --wait    Once the window is up and active, write "ready\n" to stderr
//             and press Ctrl+S only after one byte arrives on stdin, so the
//             caller knows the script is loaded and picks the moment.
//   --report  When the window is still open and usable after Ctrl+S (the
//             Save failed and said why), write "status: <label text>\n" to
//             stderr and exit with kStillOpen instead of waiting for a user.
//
// Standard output carries only what the window writes there.

#include "SaveHarnessCodes.h"
#include "WevelConfController.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

bool waitForGoByte()
{
    char byte = 0;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &byte, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool wait = false;
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0) {
            wait = true;
        } else if (std::strcmp(argv[i], "--report") == 0) {
            report = true;
        } else {
            std::fprintf(stderr, "save_harness: unknown option %s\n", argv[i]);
            return harness::kUsage;
        }
    }

    // As main does: a reader that goes away must not kill the Save.
    std::signal(SIGPIPE, SIG_IGN);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    WevelConfController controller;
    QObject::connect(&controller, &WevelConfController::terminateRequested, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    controller.show();

    QTimer::singleShot(0, &controller, [&] {
        // Ctrl+S is a window shortcut: it fires only in the active window.
        if (!QTest::qWaitForWindowActive(&controller)) {
            std::fprintf(stderr, "save_harness: the window never became active\n");
            QCoreApplication::exit(harness::kNotActive);
            return;
        }
        if (wait) {
            std::fputs("ready\n", stderr);
            std::fflush(stderr);
            if (!waitForGoByte()) {
                std::fprintf(stderr, "save_harness: stdin closed before the go byte\n");
                QCoreApplication::exit(harness::kUsage);
                return;
            }
        }
        // The shortcut runs saveConfig() before keyClick returns.
        QTest::keyClick(&controller, Qt::Key_S, Qt::ControlModifier);
        if (report && controller.isVisible() && controller.isEnabled()) {
            const auto* status = controller.findChild<QLabel*>(QStringLiteral("textStatus"));
            const QByteArray text = status ? status->text().toUtf8() : QByteArray("<no textStatus label>");
            std::fprintf(stderr, "status: %s\n", text.constData());
            std::fflush(stderr);
            QCoreApplication::exit(harness::kStillOpen);
        }
    });
    return app.exec();
}
