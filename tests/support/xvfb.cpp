#include "support/xvfb.h"

#include <QFile>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
pid_t serverPid = -1;

void stopServer()
{
    if (serverPid > 0) {
        ::kill(serverPid, SIGTERM);
        ::waitpid(serverPid, nullptr, 0);
        serverPid = -1;
    }
}
} // namespace

namespace testing
{

bool startXvfb(int width, int height, int depth)
{
    const QByteArray screen = QByteArray::number(width) + 'x' + QByteArray::number(height) + 'x' +
                              QByteArray::number(depth);
    // Displays from 90 + pid % 500 upwards, so parallel tests do not collide.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int display = 90 + (getpid() % 500) * 20 + attempt;
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
            continue;
        const QByteArray name = ':' + QByteArray::number(display);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execlp("Xvfb", "Xvfb", name.constData(), "-screen", "0", screen.constData(),
                     "-nolisten", "tcp", "-dpi", "96", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid < 0)
            return false;
        // Ready when its socket appears.
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
            QThread::msleep(50);
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid || !QFile::exists(socket))
            continue; // that display was taken after all
        serverPid = pid;
        std::atexit(stopServer);
        ::setenv("DISPLAY", name.constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        return true;
    }
    return false;
}

} // namespace testing
