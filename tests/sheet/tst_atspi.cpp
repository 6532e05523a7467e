// The sheet and the dispatch window read by a screen reader's client library
// (Debian's python3-pyatspi) through the real AT-SPI bus, started by a
// private D-Bus session, with the windows on their own Xvfb screen.
#include "dispatch/exporter.h"
#include "sheet/feuillep.h"
#include "support/helpers.h"
#include "support/process.h"
#include "support/xvfb.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing;

namespace
{

pid_t busPid = -1;

void stopBus()
{
    if (busPid > 0) {
        ::kill(busPid, SIGTERM);
        ::waitpid(busPid, nullptr, 0);
    }
}

// A session bus of our own, from which the AT-SPI bus launcher is started on
// demand as on a desktop; the launcher ends with it.
bool startSessionBus()
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(fds[0]);
        ::dup2(fds[1], 1);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    QByteArray address;
    char c = 0;
    while (!address.endsWith('\n') && ::read(fds[0], &c, 1) == 1)
        address.append(c);
    ::close(fds[0]);
    if (pid < 0 || !address.endsWith('\n'))
        return false;
    busPid = pid;
    std::atexit(stopBus);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.trimmed().constData(), 1);
    return true;
}

struct Node {
    int depth;
    QString role;
    QString name;
    QString description;
    bool focused;
    QStringList actions;
};

// The whole tree of this process as the AT-SPI client reads it, depth first.
QList<Node> readTree()
{
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TESTS_SOURCE_DIR "/sheet/atspi_tree.py"),
                  QString::number(QCoreApplication::applicationPid())});
    // The reader asks, this process answers: its event loop must keep going.
    QSignalSpy finished(&reader, &QProcess::finished);
    if (!finished.wait(120000)) {
        stopProcess(reader);
        return {};
    }
    QList<Node> nodes;
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return nodes;
    for (const QJsonValue v : QJsonDocument::fromJson(reader.readAllStandardOutput()).array()) {
        const QJsonObject o = v.toObject();
        QStringList actions;
        for (const QJsonValue a : o.value(QLatin1String("actions")).toArray())
            actions << a.toString();
        nodes.push_back({o.value(QLatin1String("depth")).toInt(),
                         o.value(QLatin1String("role")).toString(),
                         o.value(QLatin1String("name")).toString(),
                         o.value(QLatin1String("description")).toString(),
                         o.value(QLatin1String("focused")).toBool(), actions});
    }
    return nodes;
}

const Node* find(const QList<Node>& nodes, const QString& role, const QString& name)
{
    for (const Node& n : nodes)
        if (n.role == role && n.name == name)
            return &n;
    return nullptr;
}

} // namespace

class AtspiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sheetAsAScreenReaderReadsIt();
    void dispatchPictureButtons();
};

void AtspiTest::sheetAsAScreenReaderReadsIt()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    w.activateWindow(); // no window manager on this screen
    QVERIFY(QTest::qWaitForWindowActive(&w));
    settle(100);
    w.it(0)->setFocus(Qt::TabFocusReason);
    settle();

    const QList<Node> tree = readTree();
    QVERIFY(!tree.isEmpty());
    // Every answer control, by the role a reader announces and the name the
    // sheet gave it from the catalogue (checked question by question in
    // sheet_spokennames): all 89 reach the reader, none nameless.
    QMultiMap<QString, QString> wanted;
    auto want = [&wanted](QWidget* control, const char* role) {
        wanted.insert(QLatin1String(role), control->accessibleName());
    };
    for (int i : w.Option1.indices())
        want(w.Option1(i), "radio button");
    for (int i : w.Check1.indices())
        want(w.Check1(i), "check box");
    for (int i : w.t1.indices())
        want(w.t1(i), "text");
    for (int i : w.it.indices())
        want(w.it(i), "combo box");
    for (int i : w.diff.indices())
        want(w.diff(i), "combo box");
    want(w.site, "combo box");
    QCOMPARE(wanted.size(), 32 + 23 + 19 + 15);
    QMultiMap<QString, QString> read;
    for (const Node& n : tree) {
        if (wanted.contains(n.role) && n.name.startsWith(QLatin1String("Question")))
            read.insert(n.role, n.name);
        else if (n.role == QLatin1String("text") && wanted.contains(n.role, n.name))
            read.insert(n.role, n.name); // the contact fields, named by their prompt
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        QVERIFY2(!it.value().isEmpty(), qPrintable(it.key()));
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        QVERIFY2(read.count(it.key(), it.value()) == wanted.count(it.key(), it.value()),
                 qPrintable(it.key() + QStringLiteral(": ") + it.value()));
    QCOMPARE(read.size(), wanted.size());

    // As heard: the first question's "Oui", with its section as description.
    const Node* oui =
        find(tree, QStringLiteral("radio button"),
             QStringLiteral("Question 1 : Votre lycée possède-t-il au moins une salle de TP "
                            "informatisée ? — Oui"));
    QVERIFY(oui);
    QCOMPARE(oui->description, QStringLiteral("A. Equipement informatique"));

    // The focused control says its question, its part and its scale.
    QList<Node> focused;
    for (const Node& n : tree)
        if (n.focused)
            focused << n;
    QCOMPARE(focused.size(), 1);
    QCOMPARE(focused[0].role, QStringLiteral("combo box"));
    QVERIFY2(focused[0].name.startsWith(QStringLiteral("Question 6 : ")) &&
                 focused[0].name.endsWith(QStringLiteral(" — Simulateurs — Intérêt")),
             qPrintable(focused[0].name));

    // The printed page in reading order: the introduction, the headings, each
    // question before its controls, the closing notice last of the texts.
    QStringList texts, headings;
    int firstQuestion = -1, firstOui = -1;
    for (int i = 0; i < tree.size(); ++i) {
        const Node& n = tree[i];
        if (n.role == QLatin1String("heading"))
            headings << n.name;
        if (n.role == QLatin1String("heading") || n.role == QLatin1String("label"))
            texts << n.name;
        if (firstQuestion < 0 && n.name.startsWith(QStringLiteral("1. Votre lycée")))
            firstQuestion = i;
        if (&n == oui)
            firstOui = i;
    }
    QVERIFY(!texts.isEmpty());
    QVERIFY(texts.first().startsWith(QStringLiteral("Vous avez reçu le cédérom Orbitalis")));
    QCOMPARE(headings.first(), QStringLiteral("A. Equipement informatique"));
    QCOMPARE(headings.last(), QStringLiteral("F. Vos coordonnées (facultatif)"));
    QCOMPARE(headings.size(), 7);
    QVERIFY(texts.last().endsWith(QStringLiteral("Le questionnaire a un caractère facultatif.")));
    QVERIFY(firstQuestion >= 0 && firstQuestion < firstOui);

    // The close image and the two commands are buttons, with their captions.
    const Node* close = find(tree, QStringLiteral("push button"), QStringLiteral("Fermer"));
    QVERIFY(close);
    QVERIFY(!close->actions.isEmpty());
    QVERIFY(find(tree, QStringLiteral("push button"), w.Command1->text().remove('&')));
    QVERIFY(find(tree, QStringLiteral("push button"), w.Command2->text().remove('&')));
}

void AtspiTest::dispatchPictureButtons()
{
    QTemporaryDir dir;
    Exporter d(dir.path(), [] { return QStringLiteral("1. Oui\r\n"); });
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    settle();
    const QList<Node> tree = readTree();
    QVERIFY(!tree.isEmpty());
    for (const char* caption : {"Annuler", "Paramètres", "Expédier"}) {
        const Node* b = find(tree, QStringLiteral("push button"), QString::fromUtf8(caption));
        QVERIFY2(b, caption);
        QVERIFY2(!b->actions.isEmpty(), caption);
    }
}

int main(int argc, char** argv)
{
    if (!startSessionBus())
        qFatal("dbus-daemon could not be started");
    if (!startXvfb(1024, 768))
        qFatal("Xvfb could not be started");
    // As under a desktop whose screen reader is on.
    ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    AtspiTest tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_atspi.moc"
