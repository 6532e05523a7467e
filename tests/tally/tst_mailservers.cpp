// « Dépouillement » on mailboxes written by real mail software: responses
// sent by the questionnaire's own SMTP session to a Postfix on loopback,
// delivered both by Postfix's local delivery agent into an mbox and by
// Dovecot's delivery agent into a Maildir, among a later response of the
// same teacher, a forwarded one, a reply, spam and a damaged message.  Every
// answer of the table is compared with what was typed.  Needs root and the
// packages postfix and dovecot-core (scripts/setup test).
#include "answers/columns.h"
#include "smtp/smtpsession.h"
#include "support/portprocess.h"
#include "support/process.h"
#include "support/responses.h"
#include "tally/base.h"
#include "tally/importer.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using answertext::Answers;

class MailServersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void mboxAndMaildirGiveWhatWasTyped();
    void cleanupTestCase() { m_server.stop(); }

private:
    bool send(const QString& establishment, const QString& address, const Answers& answers);
    bool submit(const QByteArray& message);
    QString mbox() const { return m_dir.filePath(QStringLiteral("spool/nobody")); }
    QString maildir() const { return m_dir.filePath(QStringLiteral("Maildir")); }

    QTemporaryDir m_dir;
    testing::PortProcess m_server;
    QMap<QString, Answers> m_typed; // the last answers of each sender
};

namespace
{

constexpr int Messages = 7;

Answers typed(QRandomGenerator& g, const QString& name)
{
    Answers a = testing::randomFilling(g);
    a.texts[16] = name;
    a.texts[17] = QStringLiteral("Lycée de ") + name;
    return a;
}

int mboxMessages(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int n = 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        n += line.startsWith("From ");
    return n;
}

} // namespace

bool MailServersTest::send(const QString& establishment, const QString& address,
                           const Answers& answers)
{
    SmtpSession session(m_server.port());
    QSignalSpy ok(&session, &SmtpSession::succeeded);
    QSignalSpy ko(&session, &SmtpSession::failed);
    paranet::DispatchSettings settings;
    settings.expediteur = establishment;
    settings.adresse = address;
    settings.serveur = QStringLiteral("127.0.0.1");
    settings.destinataire = QStringLiteral("avis@tarvel.example");
    if (!session.start(settings, QStringLiteral("Questionnaire"), answertext::write(answers)).started())
        return false;
    if (!QTest::qWaitFor([&] { return ok.size() + ko.size() > 0; }, 30000) || ok.size() != 1)
        return false;
    m_typed[address] = answers;
    return true;
}

// A message handed to Postfix's own sendmail, as a mail client would.
bool MailServersTest::submit(const QByteArray& message)
{
    QProcess p;
    p.start(QStringLiteral("/usr/sbin/sendmail"),
            {QStringLiteral("-C"), m_dir.filePath(QStringLiteral("conf")),
             QStringLiteral("-f"), QStringLiteral("quelquun@exemple.fr"),
             QStringLiteral("avis@tarvel.example")});
    p.write(message);
    p.closeWriteChannel();
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

void MailServersTest::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("Postfix's master runs as root");
    for (const char* needed : {"/usr/sbin/postfix", "/usr/lib/dovecot/dovecot-lda"})
        if (!QFile::exists(QLatin1String(needed)))
            QSKIP("postfix and dovecot-core are not installed (scripts/setup test)");
    QVERIFY2(m_server.startPeer(QStringLiteral("postfix_dovecot.py"), {m_dir.path()}),
             "Postfix did not start");

    QRandomGenerator g(8122026);
    QVERIFY(send(QStringLiteral("Lycée Curie"), QStringLiteral("prof@lycee-curie.fr"),
                 typed(g, QStringLiteral("Marie Dupré"))));
    const Answers brassens = typed(g, QStringLiteral("Jean Martin"));
    QVERIFY(send(QStringLiteral("Collège Brassens"), QStringLiteral("cpe@college-brassens.fr"),
                 brassens));
    // The same teacher again, with other answers: the later stands.
    QVERIFY(send(QStringLiteral("Lycée Curie"), QStringLiteral("prof@lycee-curie.fr"),
                 typed(g, QStringLiteral("Marie Dupré"))));

    // Forwarded as an attachment by a colleague: the same response.
    const QByteArray original = testing::responseMail(
        "cpe@college-brassens.fr", QStringLiteral("Collège Brassens"), brassens,
        QDateTime::currentDateTimeUtc());
    QVERIFY(submit("From: collegue@college-brassens.fr\r\nTo: avis@tarvel.example\r\n"
                   "Subject: Tr: Questionnaire\r\nMessage-ID: <tr-1@college-brassens.fr>\r\n"
                   "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                   "--b1\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nPour vous.\r\n"
                   "--b1\r\nContent-Type: message/rfc822\r\n\r\n" + original +
                   "\r\n--b1--\r\n"));
    // A reply quoting the answers, spam, and a damaged message.
    QByteArray quoted = "> " + answertext::write(brassens).toUtf8().replace("\r\n", "\r\n> ");
    QVERIFY(submit("From: cpe@college-brassens.fr\r\nSubject: Re: Questionnaire ( Collège )\r\n"
                   "Content-Type: text/plain; charset=utf-8\r\n\r\nMerci !\r\n" + quoted + "\r\n"));
    QVERIFY(submit("From: promo@exemple.com\r\nSubject: Promotions\r\n\r\nAchetez !\r\n"));
    QVERIFY(submit("From: x@exemple.fr\r\nSubject: =?utf-8?B?abimé\r\nMIME-Version: 1.0\r\n"
                   "Content-Type: multipart/mixed; boundary=\"zz\"\r\n\r\n--zz\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\n@@@ pas du base64 @@@\r\n"));

    QVERIFY2(QTest::qWaitFor([this] {
                 return mboxMessages(mbox()) == Messages &&
                        QDir(maildir() + QStringLiteral("/new")).entryList(QDir::Files).size() ==
                            Messages;
             }, 60000),
             "Postfix and Dovecot did not deliver every message");
}

void MailServersTest::mboxAndMaildirGiveWhatWasTyped()
{
    QTemporaryDir dir;
    Base base;
    QVERIFY(base.open(dir.filePath(QStringLiteral("base.sqlite"))));
    Importer importer(base);
    QCOMPARE(importer.run(mbox()), Importer::Result::Done);
    QCOMPARE(importer.tally().added, 3);
    QCOMPARE(importer.tally().already, 1); // the forwarded copy
    QCOMPARE(importer.tally().setAside, 3);
    // The Maildir holds the same messages: nothing more.
    QCOMPARE(importer.run(maildir()), Importer::Result::Done);
    QCOMPARE(importer.tally().added, 3);
    QCOMPARE(base.setAside(), 3);

    const QList<QStringList> rows = base.table();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(base.table(true).size(), 3);
    for (const QStringList& row : rows) {
        QVERIFY2(m_typed.contains(row[1]), qPrintable(row[1]));
        QCOMPARE(row.mid(Base::AnswersFrom), columns::cells(m_typed[row[1]]));
    }

    // A base of the Maildir alone is the same table.
    Base other;
    QVERIFY(other.open(dir.filePath(QStringLiteral("maildir.sqlite"))));
    QCOMPARE(Importer(other).run(maildir()), Importer::Result::Done);
    QCOMPARE(other.table(), rows);
}

QTEST_GUILESS_MAIN(MailServersTest)
#include "tst_mailservers.moc"
