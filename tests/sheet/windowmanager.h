#pragma once

// A real window manager (openbox) on the test's Xvfb display, started part
// way through a test program: windows shown from then on get frames.
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace testing
{

inline pid_t windowManager = -1;

// True once openbox runs and frames windows.
inline bool startWindowManager()
{
    windowManager = ::fork();
    if (windowManager == 0) {
        ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::atexit([] {
        ::kill(windowManager, SIGTERM);
        ::waitpid(windowManager, nullptr, 0);
    });
    QWidget probe;
    probe.resize(100, 100);
    probe.show();
    return QTest::qWaitFor([&] { return !probe.windowHandle()->frameMargins().isNull(); }, 10000);
}

// The window's outer rectangle as the window manager draws it (the widget's
// own frame geometry may not know of the frame).
inline QRect frame(const QWidget& w)
{
    return w.windowHandle()->frameGeometry();
}

} // namespace testing
