// The hang-up question while the questionnaire closes, through the real close
// path of the sheet window, against a NetworkManager mock on a private bus.
#include "app/french.h"
#include "dialup/dialuplink_nm.h"
#include "nmbus.h"
#include "sheet/feuillep.h"
#include "support/helpers.h"
#include "support/shownbox.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace nmtest;
using namespace testing;

namespace
{
const QString Title = QStringLiteral("Sortie du questionnaire");
const QString Text = QStringLiteral("Voulez-vous fermer la connexion ?");

// A link that always has a connection up and counts its calls; onProbe runs
// once the probe has found it up, that is while the question is being asked.
struct CountingLink : DialupLink {
    int probes = 0;
    int hangUps = 0;
    std::function<void()> onProbe;

    bool connexionactive() override
    {
        ++probes;
        if (onProbe)
            onProbe();
        return true;
    }
    void hangUp() override { ++hangUps; }
};

// A shown sheet of its own folder, with the given dial-up link (the window's
// own when none), watched for its end.
struct DialupSheet {
    QTemporaryDir dir;
    feuillep w{dir.path()};
    QSignalSpy ended{&w, &feuillep::ended};
    bool exposed = false;

    explicit DialupSheet(std::unique_ptr<DialupLink> link = nullptr)
    {
        if (link)
            w.setDialupLink(std::move(link));
        w.show();
        exposed = QTest::qWaitForWindowExposed(&w);
    }

    // Closed and ended once, with the flag left at "NON".
    void verifyClosed()
    {
        QVERIFY(!w.isVisible());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("TEMPO.SPC"))).mid(FlagOffset, 5), FlagNon);
    }
};
} // namespace

class ExitQuestionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void noQuestion_data();
    void noQuestion();
    void answerNonLeavesTheConnectionUp();
    void answerOuiHangsUpOnce();
    void terminationAsksNothing();
    void terminationWhileTheQuestionIsUp();

private:
    void startMock() { QVERIFY2(m_mock.start(m_bus.address()), "dbusmock did not start"); }
    QString upMobileBroadband(uint state = Activated);
    std::unique_ptr<DialupLink> mockLink()
    {
        return std::make_unique<NmDialupLink>(
            QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("sheet")));
    }

    QTemporaryDir m_busDir;
    PrivateBus m_bus;
    NmMock m_mock;
};

void ExitQuestionTest::initTestCase()
{
    // As the program does: standard buttons in French.
    QVERIFY(useFrench(qApp));
    QVERIFY(m_busDir.isValid());
    QVERIFY2(m_bus.start(m_busDir.path()), "dbus-daemon did not start");
    // The platform link finds NetworkManager on the system bus: make it ours.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.address().toUtf8());
}

void ExitQuestionTest::cleanupTestCase()
{
    m_bus.stop();
}

void ExitQuestionTest::init()
{
    MessageBox::reset();
}

void ExitQuestionTest::cleanup()
{
    MessageBox::reset();
    m_mock.stop();
    QDBusConnection::disconnectFromBus(QStringLiteral("sheet"));
}

QString ExitQuestionTest::upMobileBroadband(uint state)
{
    const QString modem = m_mock.addDevice(QStringLiteral("ttyUSB0"), Modem);
    return m_mock.activate({modem}, m_mock.addConnection(QStringLiteral("gsm"), "Orange"),
                           QStringLiteral("0"), state);
}

void ExitQuestionTest::noQuestion_data()
{
    QTest::addColumn<QString>("network");
    QTest::newRow("no connection") << "none";
    QTest::newRow("mobile broadband still dialling") << "dialling";
    QTest::newRow("plain Ethernet") << "ethernet";
    QTest::newRow("NetworkManager absent") << "absent";
}

void ExitQuestionTest::noQuestion()
{
    QFETCH(QString, network);
    if (network == QLatin1String("absent")) {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    } else {
        startMock();
        if (network == QLatin1String("dialling")) {
            upMobileBroadband(Activating);
        } else if (network == QLatin1String("ethernet")) {
            const QString eth = m_mock.addDevice(QStringLiteral("eth0"), Ethernet);
            m_mock.activate({eth},
                            m_mock.addConnection(QStringLiteral("802-3-ethernet"), "Filaire"),
                            QStringLiteral("0"), Activated);
        }
    }

    DialupSheet sheet(mockLink());
    QVERIFY(sheet.exposed);
    MessageBox::setNextAnswer(QMessageBox::Yes); // a wrong question would hang up
    QVERIFY(sheet.w.close());
    QCOMPARE(MessageBox::count(), 0);
    sheet.verifyClosed();
    if (network == QLatin1String("absent"))
        QVERIFY(!m_bus.networkManagerStarted());
    else
        QCOMPARE(m_mock.deactivations(), QStringList());
}

void ExitQuestionTest::answerNonLeavesTheConnectionUp()
{
    startMock();
    const QString mobile = upMobileBroadband();

    DialupSheet sheet(mockLink());
    QVERIFY(sheet.exposed);
    MessageBox::setNextAnswer(QMessageBox::No);
    QVERIFY(sheet.w.close());

    QCOMPARE(MessageBox::count(), 1);
    const MessageBox::Record q = MessageBox::last();
    QCOMPARE(q.title, Title);
    QCOMPARE(q.text, Text);
    QCOMPARE(q.icon, QMessageBox::Question);
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(q.defaultButton, QMessageBox::Yes);
    sheet.verifyClosed();
    QCOMPARE(m_mock.deactivations(), QStringList());
    QCOMPARE(m_mock.activeConnections(), QStringList{mobile});
}

// The question as the user sees it, through the window's own link on the
// system bus, and "Oui" taken with Enter.
void ExitQuestionTest::answerOuiHangsUpOnce()
{
    startMock();
    const QString mobile = upMobileBroadband();

    DialupSheet sheet;
    QVERIFY(sheet.exposed);
    QString title, text, yes, no;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool yesIsDefault = false;
    ShownBox shown([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
        yes = buttonText(box, QMessageBox::Yes);
        no = buttonText(box, QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(sheet.w.close());

    QVERIFY(shown.seen());
    QVERIFY(shown.wasActiveModal());
    QCOMPARE(title, Title);
    QCOMPARE(text, Text);
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(yesIsDefault);
    QCOMPARE(yes, QStringLiteral("Oui"));
    QCOMPARE(no, QStringLiteral("Non"));
    sheet.verifyClosed();
    QCOMPARE(m_mock.deactivations(), QStringList{mobile});
    QCOMPARE(m_mock.activeConnections(), QStringList());
}

void ExitQuestionTest::terminationAsksNothing()
{
    auto* link = new CountingLink; // the window owns it
    DialupSheet sheet{std::unique_ptr<DialupLink>(link)};
    QVERIFY(sheet.exposed);

    MessageBox::setNextAnswer(QMessageBox::Yes); // a wrong question would hang up
    sheet.w.terminate();
    sheet.w.close();
    QCOMPARE(MessageBox::count(), 0);
    QCOMPARE(link->probes, 0);
    QCOMPARE(link->hangUps, 0);
    sheet.verifyClosed();
}

// A termination signal arrives while the user is being asked: the program
// unloads once, and the answer given afterwards changes nothing more.
void ExitQuestionTest::terminationWhileTheQuestionIsUp()
{
    auto* link = new CountingLink; // the window owns it
    DialupSheet sheet{std::unique_ptr<DialupLink>(link)};
    QVERIFY(sheet.exposed);
    int endedOnTermination = -1;
    link->onProbe = [&] {
        sheet.w.terminate();
        endedOnTermination = sheet.ended.count();
    };

    MessageBox::setNextAnswer(QMessageBox::No);
    QVERIFY(sheet.w.close());
    QCOMPARE(endedOnTermination, 1);
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, Title);
    QCOMPARE(link->probes, 1);
    QCOMPARE(link->hangUps, 0);
    sheet.verifyClosed();
}

QTEST_MAIN(ExitQuestionTest)
#include "tst_exitquestion.moc"
