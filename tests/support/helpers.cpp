#include "support/helpers.h"

#include <QFile>
#include <QTest>

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


namespace testing
{
QByteArray paranetFile(const QByteArray& name, const QByteArray& address, const QByteArray& server,
                       const QByteArray& recipient)
{
    return record("http://www.tarvel.fr/") + record("http://www.tarvel.fr/recherche/") +
           record(name) + record(address) + record(server) + record(recipient) +
           record("http://www.tarvel.fr/maj.txt") + record("http://www.tarvel.fr/cartes/");
}
} // namespace testing
