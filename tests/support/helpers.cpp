#include "support/helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace testing
{

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

QByteArray record(const QByteArray& text)
{
    QByteArray r;
    r.append(char(text.size() & 0xFF));
    r.append(char(text.size() >> 8));
    r.append(text);
    r.append(QByteArray(128 - r.size(), '\0'));
    return r;
}

void onNextModal(std::function<void(QWidget*)> answer, int timeoutMs)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QWidget* before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            answer(modal);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            QTest::qFail("no modal window appeared", __FILE__, __LINE__);
        }
    });
    timer->start(20);
}

void settle(int ms)
{
    QTest::qWait(ms);
}

} // namespace testing

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <unistd.h>

namespace testing
{

int runUnprivileged(const QString& program, const QStringList& arguments,
                    const QStringList& environment, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : environment)
        env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir::tempPath());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    if (::getuid() == 0) {
        QStringList args = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                            QStringLiteral("--clear-groups"), program};
        p.start(QStringLiteral("setpriv"), args + arguments);
    } else {
        p.start(program, arguments);
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void makeReadOnly(const QString& directory)
{
    const auto fileMode = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto dirMode = fileMode | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QDirIterator files(directory, QDir::Files);
    while (files.hasNext()) {
        const QString file = files.next();
        const auto exe = QFile::permissions(file) & (QFile::ExeOwner | QFile::ExeOther);
        QFile::setPermissions(file,
                              fileMode | exe | (exe ? QFile::ExeGroup : QFile::Permissions()));
    }
    QFile::setPermissions(directory, dirMode);
    // The unprivileged user must be able to reach it.
    QDir parent(directory);
    while (parent.cdUp() && parent.path() != QDir::tempPath() &&
           parent.path() != QLatin1String("/"))
        QFile::setPermissions(parent.path(), QFile::permissions(parent.path()) | QFile::ExeOther);
}

} // namespace testing

#include <QKeyEvent>

namespace testing
{
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(widget, Qt::Key_Return);
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}
} // namespace testing
