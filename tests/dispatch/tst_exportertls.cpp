#include "support/blockedport.h"
#include "support/dispatchwindow.h"
#include "dispatch/exporter.h"
#include "dispatch/passwordwindow.h"
#include "dispatch/privatekeyring.h"
#include "smtp/tlsconfig.h"
#include "support/tlssink.h"
#include "settings/connectionwindow.h"
#include "support/helpers.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

using namespace testing;

// The dispatch window sending through submission servers (aiosmtpd with
// STARTTLS or implicit TLS and a password, certificates made by openssl):
// the password window, the certificate question, what is remembered of the
// server, and the reason of a failure in the details of "Erreur
// transmission".  The D-Bus session is the test's own and has no keyring.
class ExporterTlsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void connectionButtonOpensItsWindow();
    void submissionWithPassword();
    void refusedPasswordTwice();
    void untrustedCertificate();
    void blockedPort25();
    void aDeliveryInClearIsNotFinal();
    void yesToTheCertificateSendsAtOnce_data();
    void yesToTheCertificateSendsAtOnce();

private:
    TestPki m_pki;
    PrivateKeyring m_bus;
};

namespace
{

const QString User = QStringLiteral("prof@lycee.fr");
const QString Password = QStringLiteral("Mot-de-passe-42");

QByteArray settings(const QByteArray& server)
{
    return paranetFile("Lycée Curie", User.toLatin1(), server);
}

// Shown, over a server on localhost.
struct Window : DispatchWindow {
    Window(quint16 implicitPort, quint16 submissionPort, quint16 plainPort)
        : DispatchWindow(settings("localhost"), plainPort, implicitPort, submissionPort)
    {
        open();
    }
};

// Answers the next password window with the password.
void typePassword(const QString& password, int* shown)
{
    onNextModal([=](QWidget* w) {
        auto* window = qobject_cast<PasswordWindow*>(w);
        QVERIFY(window);
        ++*shown;
        QVERIFY(!window->remember->isEnabled()); // no keyring in this session
        window->entry->setText(password);
        QTest::mouseClick(window->validate, Qt::LeftButton);
    });
}

bool holds(const QString& dir, const QByteArray& bytes)
{
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(bytes))
            return true;
    }
    return false;
}

} // namespace

void ExporterTlsTest::initTestCase()
{
    QVERIFY(m_bus.startBus());
    QVERIFY(m_pki.make());
    tlsconfig::setExtraAuthorities(m_pki.authorities());
}

void ExporterTlsTest::init()
{
    MessageBox::reset();
}

void ExporterTlsTest::cleanup()
{
    MessageBox::clearNextAnswers();
}

void ExporterTlsTest::connectionButtonOpensItsWindow()
{
    Window win(closedPort(), closedPort(), closedPort());
    Exporter* w = win.w.get();
    // Clear of every control of the window, inside it.
    const QRect r = w->Connexion->geometry();
    QVERIFY(w->rect().contains(r));
    for (QWidget* c : {static_cast<QWidget*>(w->Label4), static_cast<QWidget*>(w->Label3),
                       static_cast<QWidget*>(w->Label5), static_cast<QWidget*>(w->Image1),
                       static_cast<QWidget*>(w->Image3), static_cast<QWidget*>(w->Image2),
                       static_cast<QWidget*>(w->Label1)})
        QVERIFY2(!c->geometry().intersects(r), qPrintable(c->objectName()));
    QCOMPARE(w->Connexion->text(), QStringLiteral("Connexion…"));

    onNextModal([](QWidget* m) {
        auto* cw = qobject_cast<ConnectionWindow*>(m);
        QVERIFY(cw);
        QCOMPARE(cw->user->placeholderText(), User);
        cw->mode->setCurrentIndex(int(ConnectionProfile::Mode::StartTls));
        cw->user->setText(QStringLiteral("prof"));
        QTest::mouseClick(cw->validate, Qt::LeftButton);
    });
    QTest::mouseClick(w->Connexion, Qt::LeftButton);
    QCOMPARE(win.profile().mode, ConnectionProfile::Mode::StartTls);
    QCOMPARE(win.profile().user, QStringLiteral("prof"));
    // PARANET.LST is as it was.
    QCOMPARE(readBytes(win.dir.filePath(QStringLiteral("PARANET.LST"))), settings("localhost"));
}

void ExporterTlsTest::submissionWithPassword()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    Window win(closedPort(), sink.port(), closedPort());
    QStringList statuses;
    connect(win.w->Winsock1, &SmtpSession::progressed, this,
            [&statuses, &win] { statuses << win.w->Label1->text(); });
    int shown = 0;
    typePassword(Password, &shown);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() > 0; }, 20000));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QCOMPARE(shown, 1);
    QCOMPARE(sink.delivered(), 1);
    QVERIFY(sink.overTls(1));
    QCOMPARE(sink.authAttempts(), QList<QByteArray>{"PLAIN ok"});

    // Remembered: found by automatic mode, and reached with TLS.
    const ConnectionProfile p = win.profile();
    QCOMPARE(p.mode, ConnectionProfile::Mode::Automatic);
    QCOMPARE(p.found, ConnectionProfile::Mode::StartTls);
    QCOMPARE(p.foundPort, sink.port());
    QVERIFY(p.reachedWithTls);
    // Nothing of it went to the shared settings file.
    QCOMPARE(readBytes(win.dir.filePath(QStringLiteral("PARANET.LST"))), settings("localhost"));
    // The password is nowhere: not in the status line, not on disk.
    for (const QString& s : std::as_const(statuses))
        QVERIFY(!s.contains(Password));
    QVERIFY(!holds(win.dir.path(), Password.toUtf8()));
    QVERIFY(!holds(sink.directory(), Password.toUtf8()));
}

void ExporterTlsTest::refusedPasswordTwice()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::Valid, User, Password));
    Window win(sink.port(), closedPort(), closedPort());
    int shown = 0;
    typePassword(QStringLiteral("faux"), &shown);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    // Asked again once, with the reason.
    QVERIFY(QTest::qWaitFor([&] { return shown == 1; }, 20000));
    typePassword(QStringLiteral("toujours faux"), &shown);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() > 0; }, 20000));
    QCOMPARE(shown, 2);
    const MessageBox::Record r = MessageBox::last();
    QCOMPARE(r.title, QStringLiteral("Erreur transmission"));
    QCOMPARE(r.text, QStringLiteral("Erreur lors de la transmission.\r\nVérifier les paramètres "
                                    "de connexion."));
    QVERIFY2(r.details.contains(QStringLiteral("mot de passe refusé")), qPrintable(r.details));
    QVERIFY2(r.details.contains(QStringLiteral("535")), qPrintable(r.details));
    QVERIFY2(r.details.contains(QStringLiteral("Étape atteinte : authentification (AUTH PLAIN), "
                                               "serveur localhost, port %1, TLS implicite")
                                    .arg(sink.port())),
             qPrintable(r.details));
    QVERIFY(win.w->isVisible());
    QCOMPARE(sink.delivered(), 0);
}

void ExporterTlsTest::untrustedCertificate()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::WrongName));
    Window win(sink.port(), closedPort(), closedPort());

    // Not trusted: the run fails, saying why.
    MessageBox::setNextAnswer(QMessageBox::No);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() == 2; }, 20000));
    const MessageBox::Record r = MessageBox::last();
    QCOMPARE(r.title, QStringLiteral("Erreur transmission"));
    QVERIFY2(r.details.contains(QStringLiteral("le certificat n’est pas établi au nom de ce "
                                               "serveur")),
             qPrintable(r.details));
    QVERIFY2(r.details.contains(QStringLiteral("Étape atteinte : établissement de la connexion "
                                               "chiffrée (TLS), serveur localhost, port %1")
                                    .arg(sink.port())),
             qPrintable(r.details));
    QCOMPARE(sink.delivered(), 0);
    QVERIFY(win.profile().trusted.isEmpty());

    // Trusted: remembered for this server, and the questionnaire goes.
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() == 2; }, 20000));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QCOMPARE(sink.delivered(), 1);
    QCOMPARE(win.profile().trusted,
             QStringList{tlsconfig::fingerprint(m_pki.certificate(TestPki::WrongName))});
    QCOMPARE(readBytes(win.dir.filePath(QStringLiteral("PARANET.LST"))), settings("localhost"));
}

void ExporterTlsTest::blockedPort25()
{
    BlockedPort blocked;
    QVERIFY(blocked.start());
    const quint16 port = blocked.port();

    Window win(closedPort(), closedPort(), port);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() > 0; }, 20000));
    const MessageBox::Record r = MessageBox::last();
    QCOMPARE(r.title, QStringLiteral("Erreur transmission"));
    // Port 25 and 587 in real life; the test's own ports here.
    QVERIFY2(r.details.contains(QStringLiteral("le port %1 ne répond pas : votre fournisseur le "
                                               "bloque peut-être, essayez le port %2")
                                    .arg(port)
                                    .arg(win.w->Winsock1->connection().startTlsPort)),
             qPrintable(r.details));
}

void ExporterTlsTest::aDeliveryInClearIsNotFinal()
{
    // Once 465 and 587 were out of reach (as someone on the path can make
    // them) and port 25 delivered in clear; the next send takes TLS as soon
    // as it is offered again.
    TlsSink plain, submission;
    QVERIFY(plain.start(TlsSink::Plain, m_pki));
    QVERIFY(submission.start(TlsSink::StartTls, m_pki));
    BlockedPort blocked;
    QVERIFY(blocked.start());
    Window win(closedPort(), blocked.port(), plain.port());
    for (int send = 1; send <= 2; ++send) {
        MessageBox::reset();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(win.w->Image2, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() == 1; }, 20000));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
        win.w->setAutomaticPorts(closedPort(), submission.port());
    }
    QCOMPARE(plain.delivered(), 1);
    QCOMPARE(submission.delivered(), 1);
    QVERIFY(submission.overTls(1));
    QCOMPARE(win.profile().found, ConnectionProfile::Mode::StartTls);
    QVERIFY(win.profile().reachedWithTls);
}

void ExporterTlsTest::yesToTheCertificateSendsAtOnce_data()
{
    QTest::addColumn<bool>("byHand"); // else remembered by automatic mode
    QTest::newRow("mode chosen by hand") << true;
    QTest::newRow("remembered port") << false;
}

void ExporterTlsTest::yesToTheCertificateSendsAtOnce()
{
    // The retry after « Oui » is a new connection, not the one being torn
    // down: one click, one delivery, no « Erreur transmission ».
    QFETCH(bool, byHand);
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::WrongName));
    Window win(closedPort(), closedPort(), closedPort());
    ConnectionProfile p;
    if (byHand) {
        p.mode = ConnectionProfile::Mode::ImplicitTls;
        p.port = sink.port();
    } else {
        p.found = ConnectionProfile::Mode::ImplicitTls;
        p.foundPort = sink.port();
    }
    QVERIFY(win.profiles().save(QStringLiteral("localhost"), p));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return MessageBox::count() == 2; }, 20000));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QCOMPARE(sink.delivered(), 1);
}

QTEST_MAIN(ExporterTlsTest)
#include "tst_exportertls.moc"
