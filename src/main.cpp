#include "WevelConfController.h"

#include <QApplication>
#include <QByteArray>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Until the application object stands, Qt's messages are held back: when no
// display can be opened, Qt would print several lines and abort; the user
// gets one line and exit status 1 instead.
bool g_started = false;
QByteArray g_displayProblem;

void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_started) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    // "could not connect to display :1" names the display; without a name
    // after it, Qt's own closing message says more.
    if (message.contains(QLatin1String("could not connect to display"), Qt::CaseInsensitive)
        && !message.trimmed().endsWith(QLatin1String("display")) && g_displayProblem.isEmpty())
        g_displayProblem = message.toLocal8Bit();
    if (type == QtFatalMsg) {
        const QByteArray reason =
            g_displayProblem.isEmpty() ? message.section(QLatin1String(". "), 0, 0).toLocal8Bit()
                                       : g_displayProblem;
        std::fprintf(stderr, "wevelconf: cannot open its window: %s\n", reason.constData());
        std::fflush(stderr);
        _exit(1);
    }
}

bool platformChosen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return true;
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    // A client that stops reading must not kill the tool halfway through a
    // Save; the write reports the broken pipe instead.
    std::signal(SIGPIPE, SIG_IGN);

    if (!platformChosen(argc, argv) && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "wevelconf: cannot open its window: no display (DISPLAY and "
                             "WAYLAND_DISPLAY are not set)\n");
        return 1;
    }

    qInstallMessageHandler(startupMessageHandler);
    QApplication app(argc, argv);
    g_started = true;

    WevelConfController controller;
    QObject::connect(&controller, &WevelConfController::terminateRequested, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    controller.show();
    return app.exec();
}
