// The program as a user starts it: the executable alone in a folder.
#include "support/helpers.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace testing;

class ProcessTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void signalLeavesNon_data();
    void signalLeavesNon();
    void unwritableFolderStillRuns();

private:
    static QString install(const QTemporaryDir& dir);
    static bool waitForFlag(const QString& path, const QByteArray& value);
};

QString ProcessTest::install(const QTemporaryDir& dir)
{
    const QString exe = dir.filePath(QStringLiteral("questionnaire"));
    QFile::copy(QStringLiteral(QUESTIONNAIRE_EXE), exe);
    QFile::setPermissions(exe, QFile::permissions(exe) | QFile::ExeOwner | QFile::ExeOther);
    return exe;
}

bool ProcessTest::waitForFlag(const QString& path, const QByteArray& value)
{
    for (int i = 0; i < 200; ++i) {
        if (readBytes(path).mid(FlagOffset, 5) == value)
            return true;
        QTest::qWait(25);
    }
    return false;
}

void ProcessTest::signalLeavesNon_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("prefilled");
    QTest::newRow("SIGTERM, new file") << int(SIGTERM) << false;
    QTest::newRow("SIGTERM, filled file") << int(SIGTERM) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
}

void ProcessTest::signalLeavesNon()
{
    QFETCH(int, signal);
    QFETCH(bool, prefilled);
    QTemporaryDir dir;
    const QString exe = install(dir);
    const QString flag = dir.filePath(QStringLiteral("TEMPO.SPC"));
    QByteArray before;
    if (prefilled) {
        before = QByteArray(3000, 'z');
        writeBytes(flag, before);
    }

    QProcess p;
    p.setWorkingDirectory(QDir::tempPath()); // the flag follows the executable, not this
    p.start(exe, {});
    QVERIFY(p.waitForStarted());
    QVERIFY(waitForFlag(flag, FlagOui));
    ::kill(p.processId(), signal);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QByteArray after = readBytes(flag);
    QCOMPARE(after.mid(FlagOffset, 5), FlagNon);
    if (prefilled) {
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.left(FlagOffset), before.left(FlagOffset));
        QCOMPARE(after.mid(FlagOffset + 5), before.mid(FlagOffset + 5));
    } else {
        QCOMPARE(after.size(), FlagOffset + 5);
    }
}

void ProcessTest::unwritableFolderStillRuns()
{
    // No flag can be written: the program starts and ends all the same.
    QTemporaryDir dir;
    install(dir);
    makeReadOnly(dir.path());
    const QString exe = dir.filePath(QStringLiteral("questionnaire"));
    // The program ends itself on SIGTERM sent by timeout(1) after six seconds
    // (a loaded machine may take a while to start it as another user).
    const int code = runUnprivileged(QStringLiteral("timeout"),
                                     {QStringLiteral("--preserve-status"), QStringLiteral("-s"),
                                      QStringLiteral("TERM"), QStringLiteral("6"), exe},
                                     {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    QCOMPARE(code, 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("TEMPO.SPC"))));
}

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
