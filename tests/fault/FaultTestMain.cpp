// The fault tests need a QApplication for the windows they build in-process;
// the others start save_harness as a child.

#include <QApplication>
#include <csignal>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // A child that dies must not take the runner along when it writes to it.
    std::signal(SIGPIPE, SIG_IGN);
    // Test discovery runs this without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
