// The IMAP client against a scripted server, for what a real one will not
// do: message bodies full of lines that look like tagged and untagged
// replies, bodies as literals with the UID after them, as quoted strings
// and NIL, a SEARCH of 100,000 UIDs in one reply, a close and a silence in
// the middle of a message, a BYE instead of a reply.  Every message arrives
// exact or the failure names it; none is passed over; a silence ends within
// its time-out; no piece of a message is ever quoted as the server's words.
#include "imap/mailbox.h"
#include "smtp/tlsconfig.h"
#include "support/portprocess.h"
#include "support/testpki.h"

#include <QElapsedTimer>
#include <QTest>

class MailboxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void whatTheServerSends();
    void whatStopsAReading();

private:
    struct Read {
        QList<quint32> uids;
        QList<QByteArray> messages;
        bool done = false;
        imap::Failure failure;
        qint64 ms = 0;
    };
    Read read(const QString& mode, int count = 3, int stall = 30);
    TestPki m_pki;
};

namespace
{

// The script's message of this UID, as it sends it.
QByteArray expected(quint32 uid)
{
    return QStringLiteral("From: prof%1@ecole.fr\r\nSubject: Questionnaire ( X )\r\nMessage-ID: <%1@ecole.fr>\r\n"
                          "\r\nA005 OK done\r\n* %1 FETCH (UID 99 BODY[] {3}\r\nA001 BAD\r\n) \r\n"
                          "fin du message %1\r\n")
        .arg(uid)
        .toUtf8();
}

} // namespace

void MailboxTest::initTestCase()
{
    QVERIFY(m_pki.make());
    tlsconfig::setExtraAuthorities(m_pki.authorities());
}

MailboxTest::Read MailboxTest::read(const QString& mode, int count, int stall)
{
    Read r;
    testing::PortProcess server;
    if (!server.startPeer(QStringLiteral("imap_script.py"),
                          {m_pki.certFile(TestPki::Valid), m_pki.keyFile(TestPki::Valid), mode,
                           QString::number(count)}))
        return r;
    imap::Address a;
    a.host = QStringLiteral("localhost");
    a.port = server.port();
    a.user = QStringLiteral("avis");
    imap::Mailbox box(a, QStringLiteral("secret"), {}, imap::Timeouts{15, stall});
    QElapsedTimer clock;
    clock.start();
    if (box.examine() == std::optional<quint32>(7))
        if (const std::optional<QList<quint32>> uids = box.newer(0)) {
            r.uids = *uids;
            r.done = box.fetch(r.uids.mid(0, 10), [&r](quint32, const QByteArray& m) { r.messages << m; });
        }
    r.ms = clock.elapsed();
    r.failure = box.failure();
    box.logout();
    return r;
}

void MailboxTest::whatTheServerSends()
{
    for (const QString& mode : {QStringLiteral("tags"), QStringLiteral("quoted")}) {
        const Read r = read(mode);
        QVERIFY2(r.done, qPrintable(mode + QLatin1Char(' ') + r.failure.step + QLatin1String(": ") + r.failure.words));
        QCOMPARE(r.uids, (QList<quint32>{1, 2, 3}));
        QList<QByteArray> three = {expected(1), expected(2), expected(3)};
        if (mode == QLatin1String("quoted"))
            for (QByteArray& m : three)
                m.replace("\r\n", " / ");
        QCOMPARE(r.messages, three);
    }
    // One reply for the whole folder, where the server gives no UIDNEXT.
    const Read big = read(QStringLiteral("search"), 100000);
    QVERIFY(big.done);
    QCOMPARE(big.uids.size(), 100000);
    QCOMPARE(big.uids.last(), 100000u);
    QCOMPARE(big.messages.size(), 10);
}

void MailboxTest::whatStopsAReading()
{
    // A body the server does not give: named, and nothing after it taken.
    Read r = read(QStringLiteral("nil"));
    QVERIFY(!r.done);
    QCOMPARE(r.messages, QList<QByteArray>{expected(1)});
    QCOMPARE(r.failure.step, QStringLiteral("la lecture du message 2 sur 3"));
    QVERIFY2(r.failure.words.contains(QStringLiteral("UID 2")), qPrintable(r.failure.words));

    // Cut, or silent, inside a message: the message named, never quoted.
    r = read(QStringLiteral("close"));
    QVERIFY(!r.done);
    QCOMPARE(r.messages, QList<QByteArray>{expected(1)});
    QCOMPARE(r.failure.step, QStringLiteral("la lecture du message 2 sur 3"));
    QVERIFY2(r.failure.words.startsWith(QStringLiteral("la connexion a été coupée au milieu d’un message")),
             qPrintable(r.failure.words));
    r = read(QStringLiteral("stall"), 3, 2);
    QVERIFY(!r.done);
    QCOMPARE(r.failure.kind, imap::Failure::Kind::Timeout);
    QCOMPARE(r.failure.words, QStringLiteral("le serveur n’a plus rien envoyé pendant 2 s"));
    QVERIFY2(r.ms < 6000, qPrintable(QString::number(r.ms)));
    for (const Read& cut : {r, read(QStringLiteral("close"))})
        QVERIFY(!cut.failure.words.contains(QStringLiteral("From")) && !cut.failure.words.contains(QStringLiteral("prof")));

    // A goodbye instead of a reply: the server's words, cleaned.
    r = read(QStringLiteral("bye"));
    QVERIFY(!r.done);
    QCOMPARE(r.failure.step, QStringLiteral("l’ouverture du dossier « INBOX »"));
    QVERIFY2(r.failure.words.contains(QStringLiteral("« maintenance en cours »")), qPrintable(r.failure.words));
}

QTEST_GUILESS_MAIN(MailboxTest)
#include "tst_mailbox.moc"
