// The Debian package as scripts/package builds it: its files under /usr,
// computed dependencies, lintian's verdict; then installed with apt on this
// machine, started by root without writing under /usr, and removed again
// without a trace.  Needs dpkg-deb and lintian (scripts/setup test).
#include "support/helpers.h"
#include "support/process.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace testing;

namespace
{

const QStringList Shipped = {
    QStringLiteral("/usr/bin/questionnaire"),
    QStringLiteral("/usr/lib/questionnaire/questionnaire"),
    QStringLiteral("/usr/share/questionnaire/PARANET.LST"),
    QStringLiteral("/usr/share/applications/fr.tarvel.questionnaire.desktop"),
    QStringLiteral("/usr/share/metainfo/fr.tarvel.questionnaire.metainfo.xml"),
    QStringLiteral("/usr/share/icons/hicolor/scalable/apps/fr.tarvel.questionnaire.svg"),
    QStringLiteral("/usr/share/icons/hicolor/16x16/apps/fr.tarvel.questionnaire.png"),
    QStringLiteral("/usr/share/icons/hicolor/256x256/apps/fr.tarvel.questionnaire.png"),
    QStringLiteral("/usr/share/doc/questionnaire/copyright"),
    QStringLiteral("/usr/share/doc/questionnaire/changelog.gz"),
    QStringLiteral("/usr/share/man/man1/questionnaire.1.gz"),
    QStringLiteral("/usr/bin/depouillement"),
    QStringLiteral("/usr/share/applications/fr.tarvel.depouillement.desktop"),
    QStringLiteral("/usr/share/man/man1/depouillement.1.gz"),
};

} // namespace

class PackageTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void contents();
    void lintian();
    void installsAndRemoves();

private:
    QTemporaryDir m_out;
    QString m_deb;
};

void PackageTest::initTestCase()
{
    for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "lintian"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is missing (scripts/setup test)").arg(tool)));
    }
    // This very build, made with Debian's hardening flags by scripts/setup:
    // the program is not compiled a third time for its package.
    const Run r = runCommand(QStringLiteral(PROJECT_SOURCE_DIR "/scripts/package"),
                             {QStringLiteral("--build-dir"), QStringLiteral(PROJECT_BUILD_DIR), m_out.path()});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    m_deb = m_out.filePath(QStringLiteral("questionnaire_" PROJECT_VERSION "_amd64.deb"));
    QVERIFY2(QFile::exists(m_deb), qPrintable(r.output));
}

void PackageTest::contents()
{
    const Run list = runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
    QCOMPARE(list.code, 0);
    for (const QString& file : Shipped)
        QVERIFY2(list.output.contains(QLatin1Char('.') + file), qPrintable(file));
    for (const QString& line : list.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QVERIFY2(line.contains(QLatin1String(" root/root ")), qPrintable(line));
        QVERIFY2(line.contains(QLatin1String(" ./usr/")), qPrintable(line));
    }
    const Run depends = runCommand(QStringLiteral("dpkg-deb"),
                                   {QStringLiteral("-f"), m_deb, QStringLiteral("Depends")});
    for (const char* needed : {"libqt6widgets6", "libqt6network6", "libqt6keychain1",
                               "fonts-liberation", "qt6-translations-l10n", "libgmime-3.0",
                               "libxlsxwriter", "libsqlite3"})
        QVERIFY2(depends.output.contains(QLatin1String(needed)), qPrintable(depends.output));
}

void PackageTest::lintian()
{
    // Errors and warnings alike: the README lists none left.
    const Run r = runCommand(QStringLiteral("lintian"),
                             {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), m_deb});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    QVERIFY2(!r.output.contains(QRegularExpression(QStringLiteral("^[EW]: "),
                                                   QRegularExpression::MultilineOption)),
             qPrintable(r.output));
}

void PackageTest::installsAndRemoves()
{
    if (::geteuid() != 0)
        QSKIP("installing a package needs root");
    const QString apt = QStringLiteral("apt-get");
    Run r = runCommand(
        apt, {QStringLiteral("install"), QStringLiteral("-y"), QStringLiteral("-q"), m_deb});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    for (const QString& file : Shipped)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));

    // Even root, who may write there, leaves nothing under /usr: the files
    // go to the user's own folders.
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("timeout"),
            {QStringLiteral("-s"), QStringLiteral("TERM"), QStringLiteral("3"),
             QStringLiteral("/usr/bin/questionnaire")});
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(readBytes(home.filePath(QStringLiteral("state/questionnaire/TEMPO.SPC")))
                 .mid(FlagOffset, 5),
             FlagNon);
    QCOMPARE(readBytes(home.filePath(QStringLiteral("config/questionnaire/PARANET.LST"))),
             readBytes(QStringLiteral("/usr/share/questionnaire/PARANET.LST")));
    QCOMPARE(QDir(QStringLiteral("/usr/lib/questionnaire")).entryList(QDir::Files),
             QStringList(QStringLiteral("questionnaire")));

    // « Dépouillement » runs from its package: an empty base out as CSV.
    r = runCommand(QStringLiteral("/usr/bin/depouillement"),
                   {QStringLiteral("exporter"), QStringLiteral("--csv"),
                    home.filePath(QStringLiteral("vide.csv")), QStringLiteral("--base"),
                    home.filePath(QStringLiteral("vide.sqlite"))});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    QVERIFY(readBytes(home.filePath(QStringLiteral("vide.csv"))).startsWith("\xEF\xBB\xBF" "Date;Expéditeur;"));

    r = runCommand(apt, {QStringLiteral("remove"), QStringLiteral("-y"), QStringLiteral("-q"),
                         QStringLiteral("questionnaire")});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    for (const QString& file : Shipped)
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    for (const char* folder :
         {"/usr/lib/questionnaire", "/usr/share/questionnaire", "/usr/share/doc/questionnaire"})
        QVERIFY2(!QFileInfo::exists(QLatin1String(folder)), folder);
}

QTEST_GUILESS_MAIN(PackageTest)
#include "tst_package.moc"
