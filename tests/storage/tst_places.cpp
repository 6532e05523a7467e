// Where PARANET.LST and TEMPO.SPC live: beside the program when its folder can
// be written, byte for byte as on the CD-ROM; per user otherwise, made from the
// file beside the program or from the installed template.
#include "storage/paranet.h"
#include "storage/places.h"
#include "support/helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace testing;

namespace
{

const QByteArray Template = record("http://accueil/") + record("") + record("") + record("") +
                            record("") + record("avis@tarvel.example");
// A CD-ROM's file, with bytes past each text that must survive.
const QByteArray CdRom = record("http://accueil.cd/") + QByteArray(128, '\x7f') +
                         record("Lyc\xe9"
                                "e Curie\x92") +
                         record("") + record("") + record("cartes@tarvel.fr");

// A program folder, the template beside it and the user's folders, all in
// one temporary folder that an unprivileged child can reach.
struct Layout {
    QTemporaryDir root;
    places::Context context;
    Layout()
    {
        const QString r = root.path();
        for (const char* d : {"program", "share", "config", "state"})
            QDir(r).mkdir(QLatin1String(d));
        context.programDirectory = r + QStringLiteral("/program");
        context.templatePath = r + QStringLiteral("/share/PARANET.LST");
        context.userSettingsDirectory = r + QStringLiteral("/config/questionnaire");
        context.userStateDirectory = r + QStringLiteral("/state/questionnaire");
        writeBytes(context.templatePath, Template);
    }
    QString beside() const { return paranet::path(context.programDirectory); }
    QString own() const { return paranet::path(context.userSettingsDirectory); }
};

} // namespace

class PlacesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void besideAWritableProgram();
    void perUser_data();
    void perUser();
    void readOnlyProgramFolder();
};

void PlacesTest::besideAWritableProgram()
{
    Layout l;
    writeBytes(l.beside(), CdRom);
    Places p = places::choose(l.context);
    QCOMPARE(p.settingsDirectory, l.context.programDirectory);
    QCOMPARE(p.flagDirectory, l.context.programDirectory);
    QCOMPARE(readBytes(l.beside()), CdRom);
    QVERIFY(!QFileInfo::exists(l.context.userSettingsDirectory));
    QVERIFY(!QFileInfo::exists(l.context.userStateDirectory));

    // A fresh install in the user's own folder starts with the publisher's
    // addresses; with no template the file is made empty on first opening.
    QFile::remove(l.beside());
    p = places::choose(l.context);
    QCOMPARE(p.settingsDirectory, l.context.programDirectory);
    QCOMPARE(readBytes(l.beside()), Template);
    QFile::remove(l.beside());
    l.context.templatePath.clear();
    places::choose(l.context);
    QVERIFY(!QFileInfo::exists(l.beside()));
}

void PlacesTest::perUser_data()
{
    QTest::addColumn<QByteArray>("beside");
    QTest::addColumn<QByteArray>("own");
    QTest::addColumn<bool>("withTemplate");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("copied from beside the program") << CdRom << QByteArray() << true << CdRom;
    QTest::newRow("copied from the template") << QByteArray() << QByteArray() << true << Template;
    const QByteArray mine = record("") + record("") + record("Coll\xe8ge");
    QTest::newRow("the user's own kept") << CdRom << mine << true << mine;
    QTest::newRow("nothing to copy") << QByteArray() << QByteArray() << false << QByteArray();
}

void PlacesTest::perUser()
{
    // A system-wide install: never beside the program, even where root may write.
    QFETCH(QByteArray, beside);
    QFETCH(QByteArray, own);
    QFETCH(bool, withTemplate);
    QFETCH(QByteArray, expected);
    Layout l;
    l.context.besideAllowed = false;
    if (!withTemplate)
        l.context.templatePath.clear();
    if (!beside.isNull())
        writeBytes(l.beside(), beside);
    if (!own.isNull()) {
        QDir().mkpath(l.context.userSettingsDirectory);
        writeBytes(l.own(), own);
    }

    ::umask(022); // as a desktop session has it
    const Places p = places::choose(l.context);
    QCOMPARE(p.settingsDirectory, l.context.userSettingsDirectory);
    QCOMPARE(p.flagDirectory, l.context.userStateDirectory);
    QVERIFY(QFileInfo(p.flagDirectory).isDir());
    QVERIFY(QFileInfo(p.settingsDirectory).isDir()); // the first opening makes the file there
    QCOMPARE(readBytes(l.own()), expected);
    // A name, an address and a server: the user's alone, copied or made.
    if (own.isNull()) {
        QCOMPARE(QFile::permissions(l.own()) & QFile::Permissions(0x7077),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(p.settingsDirectory) & QFile::Permissions(0x7077),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (!beside.isNull())
        QCOMPARE(readBytes(l.beside()), beside);
    QCOMPARE(QDir(l.context.programDirectory).entryList(QDir::Files).size(), beside.isNull() ? 0 : 1);
}

// Run unprivileged on a read-only program folder: first with the user's
// folders writable, then with them read-only too.
static int readOnlyChild(const QString& root)
{
    places::Context c;
    c.programDirectory = root + QStringLiteral("/program");
    c.templatePath = root + QStringLiteral("/share/PARANET.LST");
    c.userSettingsDirectory = root + QStringLiteral("/config/questionnaire");
    c.userStateDirectory = root + QStringLiteral("/state/questionnaire");
    Places p = places::choose(c);
    if (p.settingsDirectory != c.userSettingsDirectory || p.flagDirectory != c.userStateDirectory)
        return 1;
    paranet::DispatchSettings s;
    if (!paranet::readDispatch(p.settingsDirectory, &s) ||
        s.destinataire != QStringLiteral("cartes@tarvel.fr") ||
        !paranet::writeSender(p.settingsDirectory, QStringLiteral("Collège"),
                              QStringLiteral("prof@college.fr"), QStringLiteral("smtp.college.fr")))
        return 2;
    // No copy can be made: the file beside the program is read where it lies.
    c.userSettingsDirectory = root + QStringLiteral("/locked/questionnaire");
    p = places::choose(c);
    if (p.settingsDirectory != c.programDirectory || !paranet::readDispatch(p.settingsDirectory, &s) ||
        s.expediteur != QStringLiteral("Lycée Curie’"))
        return 3;
    return 0;
}

void PlacesTest::readOnlyProgramFolder()
{
    Layout l;
    writeBytes(l.beside(), CdRom);
    makeReadOnly(l.context.programDirectory);
    makeReadOnly(l.root.filePath(QStringLiteral("share")));
    QVERIFY(QDir(l.root.path()).mkdir(QStringLiteral("locked")));
    makeReadOnly(l.root.filePath(QStringLiteral("locked")));
    for (const char* d : {"config", "state"})
        QFile::setPermissions(l.root.filePath(QLatin1String(d)), QFile::Permissions(0x7077));
    QFile::setPermissions(l.root.path(), QFile::Permissions(0x7755));
    QCOMPARE(runUnprivileged(QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--read-only-child"), l.root.path()}),
             0);
    QCOMPARE(readBytes(l.beside()), CdRom);
    QCOMPARE(QDir(l.context.programDirectory).entryList(QDir::Files),
             QStringList(QStringLiteral("PARANET.LST")));
    paranet::DispatchSettings s;
    QVERIFY(paranet::readDispatch(l.context.userSettingsDirectory, &s));
    QCOMPARE(s.expediteur, QStringLiteral("Collège"));
    QCOMPARE(s.destinataire, QStringLiteral("cartes@tarvel.fr"));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--read-only-child")
        return readOnlyChild(QString::fromLocal8Bit(argv[2]));
    PlacesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_places.moc"
