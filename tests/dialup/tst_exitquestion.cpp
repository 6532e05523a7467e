// The hang-up question while the questionnaire closes, through the real close
// path of the sheet window, against a NetworkManager mock on a private bus.
#include "dialup/dialuplink_nm.h"
#include "nmbus.h"
#include "sheet/feuillep.h"
#include "app/french.h"
#include "support/helpers.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace nmtest;
using namespace testing;

namespace
{
// Answers, and records, any modal window: none should appear.
class ModalWatch
{
public:
    ModalWatch()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen << modal->windowTitle();
                modal->close();
            }
        });
        m_timer.start(20);
    }
    QStringList seen;

private:
    QTimer m_timer;
};

// What the question looked like, read while it was shown.
struct Question {
    QString title, text, yes, no;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool yesIsDefault = false;

    void read(QMessageBox* box)
    {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
        if (box->button(QMessageBox::Yes))
            yes = box->button(QMessageBox::Yes)->text().remove(QLatin1Char('&'));
        if (box->button(QMessageBox::No))
            no = box->button(QMessageBox::No)->text().remove(QLatin1Char('&'));
    }
};

struct Counts {
    int probes = 0;
    int hangUps = 0;
};

class CountingLink : public DialupLink
{
public:
    explicit CountingLink(Counts& counts) : m_counts(counts) {}
    bool connexionactive() override
    {
        ++m_counts.probes;
        return true;
    }
    void hangUp() override { ++m_counts.hangUps; }

private:
    Counts& m_counts;
};
// A shown sheet whose link always has a connection up, and counts its calls.
struct CountedSheet {
    Counts counts;
    QTemporaryDir dir;
    feuillep w{dir.path()};
    QSignalSpy ended{&w, &feuillep::ended};
    CountedSheet()
    {
        w.setDialupLink(std::make_unique<CountingLink>(counts));
        w.show();
    }
};
} // namespace

class ExitQuestionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
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
    void useMock(feuillep& w)
    {
        w.setDialupLink(std::make_unique<NmDialupLink>(
            QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("sheet"))));
    }
    void verifyClosed(feuillep& w, QSignalSpy& ended, const QTemporaryDir& dir);

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

void ExitQuestionTest::cleanup()
{
    m_mock.stop();
    QDBusConnection::disconnectFromBus(QStringLiteral("sheet"));
}

QString ExitQuestionTest::upMobileBroadband(uint state)
{
    const QString modem = m_mock.addDevice(QStringLiteral("ttyUSB0"), Modem);
    return m_mock.activate({modem}, m_mock.addConnection(QStringLiteral("gsm"), "Orange"),
                           QStringLiteral("0"), state);
}

void ExitQuestionTest::verifyClosed(feuillep& w, QSignalSpy& ended, const QTemporaryDir& dir)
{
    QVERIFY(!w.isVisible());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(testing::readBytes(dir.filePath(QStringLiteral("TEMPO.SPC"))).mid(FlagOffset, 5),
             FlagNon);
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

    QTemporaryDir dir;
    feuillep w(dir.path());
    useMock(w);
    QSignalSpy ended(&w, &feuillep::ended);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    ModalWatch watch;
    QVERIFY(w.close());
    QCOMPARE(watch.seen, QStringList());
    verifyClosed(w, ended, dir);
    if (network == QLatin1String("absent"))
        QVERIFY(!m_bus.networkManagerStarted());
    else
        QCOMPARE(m_mock.deactivations(), QStringList());
}

void ExitQuestionTest::answerNonLeavesTheConnectionUp()
{
    startMock();
    const QString mobile = upMobileBroadband();

    QTemporaryDir dir;
    feuillep w(dir.path());
    useMock(w);
    QSignalSpy ended(&w, &feuillep::ended);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    Question q;
    testing::onNextMessageBox([&q](QMessageBox* box) {
        q.read(box);
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    QVERIFY(w.close());

    QCOMPARE(q.title, QStringLiteral("Sortie du questionnaire"));
    QCOMPARE(q.text, QStringLiteral("Voulez-vous fermer la connexion ?"));
    QCOMPARE(q.icon, QMessageBox::Question);
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(q.yesIsDefault);
    QCOMPARE(q.yes, QStringLiteral("Oui"));
    QCOMPARE(q.no, QStringLiteral("Non"));

    verifyClosed(w, ended, dir);
    QCOMPARE(m_mock.deactivations(), QStringList());
    QCOMPARE(m_mock.activeConnections(), QStringList{mobile});
}

// The window's own link, on the system bus, and "Oui" taken with Enter.
void ExitQuestionTest::answerOuiHangsUpOnce()
{
    startMock();
    const QString mobile = upMobileBroadband();

    QTemporaryDir dir;
    feuillep w(dir.path());
    QSignalSpy ended(&w, &feuillep::ended);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QString title;
    testing::onNextMessageBox([&title](QMessageBox* box) {
        title = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(w.close());
    QCOMPARE(title, QStringLiteral("Sortie du questionnaire"));
    verifyClosed(w, ended, dir);
    QCOMPARE(m_mock.deactivations(), QStringList{mobile});
    QCOMPARE(m_mock.activeConnections(), QStringList());
}

void ExitQuestionTest::terminationAsksNothing()
{
    CountedSheet sheet;
    QVERIFY(QTest::qWaitForWindowExposed(&sheet.w));
    auto& [counts, dir, w, ended] = sheet;

    ModalWatch watch;
    w.terminate();
    w.close();
    QCOMPARE(watch.seen, QStringList());
    QCOMPARE(counts.probes, 0);
    QCOMPARE(counts.hangUps, 0);
    verifyClosed(w, ended, dir);
}

// A termination signal arrives while the user reads the question: the program
// unloads once, and the answer given afterwards changes nothing more.
void ExitQuestionTest::terminationWhileTheQuestionIsUp()
{
    CountedSheet sheet;
    QVERIFY(QTest::qWaitForWindowExposed(&sheet.w));
    auto& [counts, dir, w, ended] = sheet;

    testing::onNextMessageBox([&](QMessageBox* box) {
        w.terminate();
        QCOMPARE(ended.count(), 1);
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    QVERIFY(w.close());
    QCOMPARE(counts.probes, 1);
    QCOMPARE(counts.hangUps, 0);
    verifyClosed(w, ended, dir);
}

QTEST_MAIN(ExitQuestionTest)
#include "tst_exitquestion.moc"
