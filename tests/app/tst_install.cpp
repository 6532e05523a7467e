// The program installed into a prefix of its own, as scripts/install does into
// ~/.local: its folder, the link in bin, the PARANET.LST template, the menu
// entry, the icons and the AppStream description, checked by the freedesktop
// validators; then the same install made read-only, as under /usr, used by a
// user who has never run it.
#include "dispatch/exporter.h"
#include "settings/param.h"
#include "smtp/smtpsession.h"
#include "storage/paranet.h"
#include "storage/places.h"
#include "storage/recordfile.h"
#include "support/helpers.h"
#include "support/process.h"
#include "support/smtpsink.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>

using namespace testing;

namespace
{

const QString AppId = QStringLiteral("fr.tarvel.questionnaire");

// The keys of the [Desktop Entry] group, their string escapes undone.
QMap<QString, QString> desktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        QString value;
        const QString raw = line.mid(eq + 1);
        for (int i = 0; i < raw.size(); ++i) {
            if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const QChar c = raw[++i];
            value += c == QLatin1Char('s')   ? QStringLiteral(" ")
                     : c == QLatin1Char('n') ? QStringLiteral("\n")
                     : c == QLatin1Char('t') ? QStringLiteral("\t")
                                             : QString(c);
        }
        keys.insert(line.left(eq), value);
    }
    return keys;
}

// The arguments of an Exec value: split at spaces, double quotes grouping,
// a backslash inside quotes taking the next character as it is.
QStringList execArguments(const QString& exec)
{
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        args << current;
    return args;
}

bool waitForFlag(const QString& path, const QByteArray& value)
{
    for (int i = 0; i < 200; ++i) {
        if (readBytes(path).mid(FlagOffset, 5) == value)
            return true;
        QTest::qWait(25);
    }
    return false;
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void layout();
    void icons();
    void validators();
    void startsFromItsEntry_data();
    void startsFromItsEntry();
    void templateHoldsThePublishersAddresses();
    // Last: it makes the install read-only.
    void firstUseFromAReadOnlyInstall();

private:
    QString path(const QString& relative) const { return m_prefix + QLatin1Char('/') + relative; }
    QString entryPath() const
    {
        return path(QStringLiteral("share/applications/%1.desktop").arg(AppId));
    }
    QString tallyEntryPath() const
    {
        return path(QStringLiteral("share/applications/fr.tarvel.depouillement.desktop"));
    }
    QString program() const { return path(QStringLiteral("lib/questionnaire/questionnaire")); }
    QString programDir() const { return path(QStringLiteral("lib/questionnaire")); }

    QTemporaryDir m_dir;
    QString m_prefix;
};

void InstallTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A space and an accent in the prefix: the entry must quote its command.
    m_prefix = m_dir.filePath(QStringLiteral("mon dossier élève"));
    const Run r = runCommand(QStringLiteral(CMAKE_COMMAND_PATH),
                             {QStringLiteral("--install"), QStringLiteral(PROJECT_BUILD_DIR),
                              QStringLiteral("--prefix"), m_prefix});
    QVERIFY2(r.code == 0, qPrintable(r.output));
}

void InstallTest::layout()
{
    const QFileInfo exe(program());
    QVERIFY(exe.isFile());
    QVERIFY(exe.isExecutable());
    // Its folder is the user's to write in: the two files go there.
    QVERIFY(QFileInfo(exe.absolutePath()).isWritable());

    const QFileInfo link(path(QStringLiteral("bin/questionnaire")));
    QVERIFY(link.isSymLink());
    QCOMPARE(link.canonicalFilePath(), exe.canonicalFilePath());

    const QMap<QString, QString> entry = desktopEntry(entryPath());
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Votre avis nous intéresse"));
    QCOMPARE(entry.value(QStringLiteral("Icon")), AppId);
    QCOMPARE(entry.value(QStringLiteral("TryExec")), program());
    QCOMPARE(execArguments(entry.value(QStringLiteral("Exec"))), QStringList(program()));

    // « Dépouillement », in bin, with its own entry.
    const QString tally = path(QStringLiteral("bin/depouillement"));
    QVERIFY(QFileInfo(tally).isExecutable());
    const QMap<QString, QString> tallyEntry = desktopEntry(tallyEntryPath());
    QCOMPARE(tallyEntry.value(QStringLiteral("Name")), QStringLiteral("Dépouillement"));
    QCOMPARE(execArguments(tallyEntry.value(QStringLiteral("Exec"))), QStringList(tally));
    QVERIFY(QFileInfo::exists(path(QStringLiteral("share/man/man1/depouillement.1.gz"))));

    QXmlStreamReader xml;
    QFile metainfo(path(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(AppId)));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    xml.setDevice(&metainfo);
    QStringList launchables;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("launchable"))
            launchables << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(launchables, QStringList(AppId + QStringLiteral(".desktop")));
}

void InstallTest::icons()
{
    // Every bitmap is the size its folder says, and the usual ones are there.
    QList<int> sizes;
    const QString hicolor = path(QStringLiteral("share/icons/hicolor"));
    for (const QString& folder : QDir(hicolor).entryList({QStringLiteral("*x*")}, QDir::Dirs)) {
        const QString file = QStringLiteral("%1/%2/apps/%3.png").arg(hicolor, folder, AppId);
        const QImage image(file);
        QVERIFY2(!image.isNull(), qPrintable(file));
        QCOMPARE(QStringLiteral("%1x%2").arg(image.width()).arg(image.height()), folder);
        QVERIFY(image.hasAlphaChannel());
        // Drawn, not blank: the corners are clear and the middle is not.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
        sizes << image.width();
    }
    for (int wanted : {16, 24, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(wanted), qPrintable(QString::number(wanted)));

    QFile svg(QStringLiteral("%1/scalable/apps/%2.svg").arg(hicolor, AppId));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    const QStringList box = xml.attributes().value(QLatin1String("viewBox")).toString().split(u' ');
    QCOMPARE(box.size(), 4);
    QCOMPARE(box[2], box[3]); // square
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

void InstallTest::validators()
{
    Run r = runCommand(QStringLiteral("desktop-file-validate"), {entryPath(), tallyEntryPath()});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    QVERIFY2(r.output.trimmed().isEmpty(), qPrintable(r.output)); // not even a hint

    // Pedantic, and against the installed tree: the entry and icon it names.
    r = runCommand(QStringLiteral("appstreamcli"),
                   {QStringLiteral("validate"), QStringLiteral("--no-net"),
                    QStringLiteral("--pedantic"),
                    path(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(AppId))});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    QVERIFY2(r.output.contains("Validation was successful.") && !r.output.contains("infos:"),
             qPrintable(r.output));
    r = runCommand(QStringLiteral("appstreamcli"),
                   {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), m_prefix});
    QVERIFY2(r.code == 0, qPrintable(r.output));
}

void InstallTest::startsFromItsEntry_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("menu entry") << false;
    QTest::newRow("link in bin") << true;
}

void InstallTest::startsFromItsEntry()
{
    // The flag file lands beside the real executable, whichever way it starts.
    QFETCH(bool, throughLink);
    const QString flag = QFileInfo(program()).absoluteDir().filePath(QStringLiteral("TEMPO.SPC"));
    QFile::remove(flag);
    const QStringList command =
        throughLink ? QStringList(path(QStringLiteral("bin/questionnaire")))
                    : execArguments(desktopEntry(entryPath()).value(QStringLiteral("Exec")));
    QVERIFY(!command.isEmpty());

    QProcess p;
    p.setWorkingDirectory(QDir::tempPath());
    p.start(command.first(), command.mid(1));
    QVERIFY(p.waitForStarted());
    QVERIFY(waitForFlag(flag, FlagOui));
    ::kill(p.processId(), SIGTERM);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(readBytes(flag).mid(FlagOffset, 5), FlagNon);
    QVERIFY(!QFile::exists(path(QStringLiteral("bin/TEMPO.SPC"))));
}

void InstallTest::templateHoldsThePublishersAddresses()
{
    RecordFile file(path(QStringLiteral("share/questionnaire/PARANET.LST")));
    QVERIFY(file.open());
    QString text;
    for (int n : {paranet::HomePage, paranet::SearchPage, paranet::UpdateProcedures,
                  paranet::CardsToDownload}) {
        QVERIFY(file.read(n, &text));
        QVERIFY2(text.startsWith(QStringLiteral("http")), qPrintable(text));
    }
    QVERIFY(file.read(paranet::Recipient, &text));
    QCOMPARE(text, QStringLiteral(QUESTIONNAIRE_RECIPIENT));
    for (int n : {paranet::Sender, paranet::SenderAddress, paranet::Server}) {
        QVERIFY(file.read(n, &text));
        QVERIFY(text.isEmpty());
    }
}

// Unprivileged, as the user who has never run the installed program: fills
// « Paramètres » and sends, through the files the program itself would choose.
static int firstUseChild(const QString& programDir, quint16 port)
{
    const Places places = places::choose(places::forProgram(programDir));
    for (int i = 0; i < 4; ++i)
        MessageBox::setNextAnswer(QMessageBox::Ok); // should a box come
    {
        param settings(places.settingsDirectory);
        settings.show();
        settings.Text3->setText(QStringLiteral("Lycée Curie"));
        settings.Text4->setText(QStringLiteral("prof@lycee-curie.fr"));
        settings.Text5->setText(QStringLiteral("127.0.0.1"));
        QTest::mouseClick(settings.Command3, Qt::LeftButton);
        if (MessageBox::count() != 0) {
            qWarning() << MessageBox::last().title << MessageBox::last().text;
            return 1;
        }
    }
    Exporter dispatch(places.settingsDirectory, [] { return QStringLiteral("1. Oui\r\n"); });
    dispatch.show();
    if (dispatch.Label5->text() != QStringLiteral("Lycée Curie ( prof@lycee-curie.fr )"))
        return 2;
    dispatch.Winsock1->setPort(port);
    dispatch.setClearTextQuestion([](QWidget*) { return true; }); // the test's sink has no TLS
    QTest::mouseClick(dispatch.Image2, Qt::LeftButton);
    for (int i = 0; i < 400 && MessageBox::count() == 0; ++i)
        QTest::qWait(25);
    return MessageBox::count() == 1 && MessageBox::last().title == QStringLiteral("Transmission OK")
               ? 0
               : 3;
}

void InstallTest::firstUseFromAReadOnlyInstall()
{
    // The user's folders, which only the user (here: nobody) may write.
    QTemporaryDir home;
    QFile::setPermissions(home.path(), QFile::Permissions(0x7777));
    const QString config = home.filePath(QStringLiteral("config"));
    const QString state = home.filePath(QStringLiteral("state"));
    const QStringList environment = {QStringLiteral("XDG_CONFIG_HOME=") + config,
                                     QStringLiteral("XDG_STATE_HOME=") + state,
                                     QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    for (const QString& left : {QStringLiteral("TEMPO.SPC"), QStringLiteral("PARANET.LST")})
        QFile::remove(programDir() + QLatin1Char('/') + left);
    makeReadOnly(programDir());
    makeReadOnly(path(QStringLiteral("share/questionnaire")));
    const QByteArray shipped = readBytes(path(QStringLiteral("share/questionnaire/PARANET.LST")));
    QVERIFY(!shipped.isEmpty());

    // The program itself: the flag and the settings go to the user's folders.
    QCOMPARE(runUnprivileged(
                 QStringLiteral("timeout"),
                 {QStringLiteral("-s"), QStringLiteral("TERM"), QStringLiteral("3"), program()},
                 environment),
             124);
    QCOMPARE(readBytes(state + QStringLiteral("/questionnaire/TEMPO.SPC")).mid(FlagOffset, 5),
             FlagNon);
    const QString own = config + QStringLiteral("/questionnaire/PARANET.LST");
    QCOMPARE(readBytes(own), shipped);
    QCOMPARE(QDir(programDir()).entryList(QDir::Files),
             QStringList(QStringLiteral("questionnaire")));

    // « Paramètres », then « Expédier »: to the template's recipient.
    SmtpSink sink;
    QVERIFY(sink.start());
    QCOMPARE(runUnprivileged(
                 QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--first-use-child"), programDir(), QString::number(sink.port())},
                 environment),
             0);
    QCOMPARE(sink.delivered(), 1);
    QCOMPARE(sink.message(1)[QLatin1String("rcpt_tos")].toVariant().toStringList(),
             QStringList(QStringLiteral(QUESTIONNAIRE_RECIPIENT)));
    paranet::DispatchSettings settings;
    QVERIFY(paranet::readDispatch(config + QStringLiteral("/questionnaire"), &settings));
    QCOMPARE(settings.expediteur, QStringLiteral("Lycée Curie"));
    QCOMPARE(readBytes(path(QStringLiteral("share/questionnaire/PARANET.LST"))), shipped);
    QCOMPARE(QDir(programDir()).entryList(QDir::Files),
             QStringList(QStringLiteral("questionnaire")));
}

int main(int argc, char** argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "--first-use-child") {
        QApplication app(argc, argv);
        return firstUseChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toUShort());
    }
    QCoreApplication app(argc, argv);
    InstallTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_install.moc"
