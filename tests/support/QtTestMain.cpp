// Test entry for suites with real Qt widgets: sets up a headless Qt
// (offscreen platform, a private runtime folder) before the application
// object exists, so that plain ctest needs no environment of its own.
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SetUpEnvironment()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    bool usable = runtime && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0777) == 0700 &&
                  info.st_uid == getuid();
    if (!usable) {
        static std::string folder = "/tmp/velmora-qt-test-" + std::to_string(getuid());
        mkdir(folder.c_str(), 0700);
        chmod(folder.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
}

// The offscreen platform reports what it cannot do (propagate size hints,
// raise windows, grab the keyboard); those lines say nothing about us.
void FilterMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    static const char* const harmless[] = {"does not support", "propagateSizeHints", "QXcbConnection"};
    std::string text = message.toStdString();
    for (const char* h : harmless) {
        if (text.find(h) != std::string::npos)
            return;
    }
    std::fprintf(stderr, "Qt: %s\n", text.c_str());
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    SetUpEnvironment();
    qInstallMessageHandler(FilterMessages);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
