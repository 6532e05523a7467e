#include "support/xvfb.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
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

// What the server writes on fd once it accepts connections: its display
// number and a line end.  Empty when it ends first or takes too long.
QByteArray readDisplay(int fd)
{
    QByteArray number;
    pollfd p{fd, POLLIN, 0};
    while (!number.endsWith('\n') && ::poll(&p, 1, 30000) > 0) {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n == 1)
            number.append(c);
        else if (n == 0 || errno != EINTR)
            return QByteArray();
    }
    return number.endsWith('\n') ? number.trimmed() : QByteArray();
}
} // namespace

namespace testing
{

bool startXvfb(int width, int height, int depth)
{
    const QByteArray screen = QByteArray::number(width) + 'x' + QByteArray::number(height) + 'x' +
                              QByteArray::number(depth);
    // The server picks a free display itself and tells us which on a pipe.
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const QByteArray writeEnd = QByteArray::number(fds[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", writeEnd.constData(), "-screen", "0",
                 screen.constData(), "-nolisten", "tcp", "-dpi", "96", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return false;
    }
    const QByteArray display = readDisplay(fds[0]);
    ::close(fds[0]);
    if (display.isEmpty()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return false;
    }
    serverPid = pid;
    std::atexit(stopServer);
    ::setenv("DISPLAY", (':' + display).constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

} // namespace testing
