#include "smtp/smtpsession.h"
#include "support/portprocess.h"
#include "support/smtppeer.h"
#include "support/smtpsink.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

// The SMTP dialogue against a real mail server: what arrives, byte for byte
// and as a mail reader decodes it.
class SmtpDeliveryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void deliveredMessage();
    void dotsArriveIntact();
    void longLineArrivesWhole();
    void longAccentedSubject();
    void aSubmissionPortThatHangsUpIsPassedBy();

private:
    // Sends text from the establishment `expediteur` and returns the number
    // of the delivered message, 0 when nothing was delivered; automatic mode
    // with a port 587 of its own when one is given.
    int send(const QString& text, const QString& expediteur = QStringLiteral("Lycée Curie"),
             quint16 submission = 0);

    SmtpSink m_sink;
};

namespace
{
const QByteArray HeaderEnd = "Content-Transfer-Encoding: 8bit\r\n";
}

void SmtpDeliveryTest::initTestCase()
{
    QVERIFY2(m_sink.start(), "aiosmtpd did not start");
}

int SmtpDeliveryTest::send(const QString& text, const QString& expediteur, quint16 submission)
{
    SmtpSession session(m_sink.port());
    if (submission) {
        SmtpSession::Connection c = session.connection();
        c.mode = smtp::Mode::Automatic;
        c.implicitPort = testing::closedPort();
        c.startTlsPort = submission;
        session.setConnection(c);
        SmtpSession::Timeouts t;
        t.probe = 60000; // outlasts the test: the budget is not what passes 587 by
        session.setTimeouts(t);
    }
    // The sink on the plain port has no TLS: the user says yes to that.
    connect(&session, &SmtpSession::clearTextNeedsConsent, &session,
            [&session] { session.consentToClearText(true); }, Qt::QueuedConnection);
    QSignalSpy ok(&session, &SmtpSession::succeeded);
    QSignalSpy ko(&session, &SmtpSession::failed);
    paranet::DispatchSettings m;
    m.expediteur = expediteur;
    m.adresse = QStringLiteral("prof@lycee-curie.fr");
    m.serveur = QStringLiteral("127.0.0.1");
    m.destinataire = QStringLiteral("retour@tarvel.fr");
    const int before = m_sink.delivered();
    if (!session.start(m, QStringLiteral("Questionnaire"), text).started())
        return 0;
    if (!QTest::qWaitFor([&] { return ok.size() + ko.size() > 0; }, 15000) || ok.size() != 1 ||
        ko.size() != 0)
        return 0;
    if (session.socketState() != QAbstractSocket::UnconnectedState)
        return 0;
    // The server saves the message before it answers 250.
    return m_sink.delivered() == before + 1 ? before + 1 : 0;
}

void SmtpDeliveryTest::deliveredMessage()
{
    const QString text = QStringLiteral("1. Oui\r\n2. année\r\n34.\r\nmanque d’intérêt\r\n"
                                        "Lycée Pierre-et-Marie-Curie, 5 €\r\n\r\n");
    const int n = send(text);
    QVERIFY(n > 0);
    const QJsonObject info = m_sink.message(n);
    QCOMPARE(info[QLatin1String("mail_from")].toString(), QStringLiteral("prof@lycee-curie.fr"));
    QCOMPARE(info[QLatin1String("rcpt_tos")].toArray(),
             QJsonArray({QStringLiteral("retour@tarvel.fr")}));
    QCOMPARE(info[QLatin1String("helo")].toString(), QStringLiteral("[127.0.0.1]"));
    QCOMPARE(info[QLatin1String("subject")].toString(),
             QStringLiteral("Questionnaire ( Lycée Curie )"));
    QCOMPARE(info[QLatin1String("charset")].toString(), QStringLiteral("windows-1252"));
    QVERIFY(info[QLatin1String("date_valid")].toBool());

    const QByteArray raw = m_sink.raw(n);
    QVERIFY(raw.startsWith("FROM: prof@lycee-curie.fr\r\n"
                           "To: retour@tarvel.fr\r\n"
                           "SUBJECT: =?windows-1252?Q?Questionnaire_=28_Lyc=E9e_Curie_=29?=\r\n"
                           "Date: "));
    // As a mail reader sees them: the recipient, and an identifier of its own.
    QCOMPARE(info[QLatin1String("to")].toString(), QStringLiteral("retour@tarvel.fr"));
    QVERIFY(info[QLatin1String("message_id")].toString().endsWith(QStringLiteral("@lycee-curie.fr>")));
    const qsizetype end = raw.indexOf(HeaderEnd);
    QVERIFY(end > 0);
    QVERIFY(raw.left(end).endsWith("\r\nMIME-Version: 1.0\r\n"
                                   "Content-Type: text/plain; charset=windows-1252\r\n"));
    // After the header lines: two CR LF, then the answer text in Windows-1252;
    // the last CR LF is that of the line which the closing "." follows.
    QCOMPARE(raw.mid(end + HeaderEnd.size()),
             QByteArray("\r\n\r\n1. Oui\r\n2. ann\xe9"
                        "e\r\n34.\r\nmanque d\x92int\xe9r\xeat\r\n"
                        "Lyc\xe9"
                        "e Pierre-et-Marie-Curie, 5 \x80\r\n\r\n\r\n"));
}

void SmtpDeliveryTest::dotsArriveIntact()
{
    const QString text = QStringLiteral(".\r\n..deux points\r\n.\r\nQUIT\r\n.fin\r\n");
    const int n = send(text);
    QVERIFY(n > 0);
    const QByteArray raw = m_sink.raw(n);
    QCOMPARE(raw.mid(raw.indexOf(HeaderEnd) + HeaderEnd.size()),
             QByteArray("\r\n\r\n.\r\n..deux points\r\n.\r\nQUIT\r\n.fin\r\n\r\n"));
}

void SmtpDeliveryTest::longLineArrivesWhole()
{
    // A line longer than 998 bytes would be refused (aiosmtpd answers 500).
    QString line;
    while (line.size() < 1500)
        line += QStringLiteral("réponse très longue = ");
    const int n = send(QStringLiteral("9. ") + line + QStringLiteral("\r\n.\r\n"));
    QVERIFY(n > 0);
    const QJsonObject info = m_sink.message(n);
    QCOMPARE(info[QLatin1String("encoding")].toString(), QStringLiteral("quoted-printable"));
    QCOMPARE(QByteArray::fromHex(info[QLatin1String("body")].toString().toLatin1()),
             "\r\n9. " + line.toLatin1() + "\r\n.\r\n\r\n");
    for (const QByteArray& l : m_sink.raw(n).split('\n'))
        QVERIFY(l.size() <= 77);
}

void SmtpDeliveryTest::longAccentedSubject()
{
    const QString name = QStringLiteral("Lycée polyvalent régional « Éléonore d’Aquitaine » — "
                                        "section européenne, 33000 Bordeaux");
    const int n = send(QStringLiteral("1. Oui\r\n"), name);
    QVERIFY(n > 0);
    QCOMPARE(m_sink.message(n)[QLatin1String("subject")].toString(),
             QStringLiteral("Questionnaire ( ") + name + QStringLiteral(" )"));
}

void SmtpDeliveryTest::aSubmissionPortThatHangsUpIsPassedBy()
{
    // Port 587 takes the connection and closes it before any greeting: the
    // message goes through port 25 all the same.
    ScriptedPeer hangsUp;
    hangsUp.greeting = ScriptedPeer::Close;
    QVERIFY(send(QStringLiteral("1. Oui\r\n"), QStringLiteral("Lycée Curie"), hangsUp.port()) > 0);
    QCOMPARE(hangsUp.connections, 1);
}

QTEST_GUILESS_MAIN(SmtpDeliveryTest)
#include "tst_smtpdelivery.moc"
