// « Dépouillement » on an IMAP folder of a real Dovecot on loopback, with TLS
// from a test authority and a user with a password: only what is new is
// taken, a changed UIDVALIDITY adds nothing twice, a server stopped in the
// middle of a fetch leaves whole batches and the next import completes
// them, a certificate for another name is refused unless its fingerprint is
// given, and the server's flags are as they were.  Needs root and the
// packages dovecot-core and dovecot-imapd (scripts/setup test).
#include "support/portprocess.h"
#include "support/process.h"
#include "support/responses.h"
#include "support/testpki.h"
#include "tally/base.h"
#include "tallywindows/tallywindow.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QDir>
#include <QMenuBar>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class ImapTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void onlyWhatIsNewAndNothingTouched();
    void uidValidityChanged();
    void certificateForAnotherName();
    void stoppedInTheMiddle();
    void windowAsksTheCertificateOnce();
    void cleanupTestCase() { m_server.stop(); }

private:
    bool startServer(testing::PortProcess& server, QTemporaryDir& dir, TestPki::Server cert,
                     const QStringList& ports = {});
    QString doveadm(const QStringList& arguments, const QByteArray& input = {}) const;
    void save(const QString& folder, const QByteArray& message) const;
    void startImport(QProcess& p, const QString& url, const QString& base, const QStringList& more = {}) const;
    testing::Run import(const QString& url, const QString& base, const QStringList& more = {}) const;
    QString url(const QString& folder) const
    {
        return QStringLiteral("imaps://avis@localhost:%1/%2").arg(m_server.port()).arg(folder);
    }

    TestPki m_pki;
    QTemporaryDir m_dir;
    testing::PortProcess m_server;
    QTemporaryDir m_work;
    QRandomGenerator m_random{2212};
    int m_sent = 0;
};

namespace
{

const QString Folder = QStringLiteral("Réponses");

QByteArray response(QRandomGenerator& g, int n)
{
    return testing::responseMail("prof" + QByteArray::number(n) + "@ecole.fr", QStringLiteral("Lycée"),
                                 testing::randomFilling(g),
                                 QDateTime(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC).addSecs(n));
}

} // namespace

bool ImapTest::startServer(testing::PortProcess& server, QTemporaryDir& dir, TestPki::Server cert,
                           const QStringList& ports)
{
    return server.startPeer(QStringLiteral("dovecot_imap.py"),
                            QStringList{dir.path(), m_pki.certFile(cert), m_pki.keyFile(cert)} + ports);
}

QString ImapTest::doveadm(const QStringList& arguments, const QByteArray& input) const
{
    QProcess p;
    p.start(QStringLiteral("doveadm"),
            QStringList{QStringLiteral("-c"), m_dir.filePath(QStringLiteral("dovecot.conf"))} + arguments);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

void ImapTest::save(const QString& folder, const QByteArray& message) const
{
    doveadm({QStringLiteral("save"), QStringLiteral("-u"), QStringLiteral("avis"), QStringLiteral("-m"), folder},
            message);
}

void ImapTest::startImport(QProcess& p, const QString& address, const QString& base,
                           const QStringList& more) const
{
    // The password on standard input; the test authority as OpenSSL's file.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SSL_CERT_FILE"), m_pki.caFile());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(DEPOUILLEMENT_EXE),
            QStringList{QStringLiteral("importer"), address} + more + QStringList{QStringLiteral("--base"), base});
    p.write("secret\n");
    p.closeWriteChannel();
}

testing::Run ImapTest::import(const QString& address, const QString& base, const QStringList& more) const
{
    QProcess p;
    startImport(p, address, base, more);
    testing::Run r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

void ImapTest::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("Dovecot's master runs as root");
    if (!QFile::exists(QStringLiteral("/usr/sbin/dovecot")) ||
        !QFile::exists(QStringLiteral("/usr/lib/dovecot/imap")))
        QSKIP("dovecot-core and dovecot-imapd are not installed (scripts/setup test)");
    QVERIFY(m_pki.make());
    QVERIFY2(startServer(m_server, m_dir, TestPki::Valid), "Dovecot did not start");
    doveadm({QStringLiteral("mailbox"), QStringLiteral("create"), QStringLiteral("-u"), QStringLiteral("avis"), Folder});
}

void ImapTest::onlyWhatIsNewAndNothingTouched()
{
    for (; m_sent < 3; ++m_sent)
        save(Folder, response(m_random, m_sent));
    save(Folder, "From: promo@exemple.com\r\nSubject: Promotions\r\nMessage-ID: <promo-1@exemple.com>\r\n"
                 "Date: Tue, 1 Dec 2026 08:00:00 +0000\r\n\r\nAchetez !\r\n");
    const QString base = m_work.filePath(QStringLiteral("base.sqlite"));
    const auto flags = [this] {
        return doveadm({QStringLiteral("fetch"), QStringLiteral("-u"), QStringLiteral("avis"),
                        QStringLiteral("uid flags"), QStringLiteral("mailbox"), Folder, QStringLiteral("all")});
    };
    const QString before = flags();

    testing::Run r = import(url(Folder), base);
    QVERIFY2(r.code == 0, qPrintable(r.output));
    QVERIFY2(r.output.contains(QStringLiteral("3 réponses ajoutées, 0 déjà dans la base, 1 messages mis de côté")),
             qPrintable(r.output));
    QCOMPARE(flags(), before); // EXAMINE and BODY.PEEK: no \Seen, nothing moved

    for (; m_sent < 5; ++m_sent)
        save(Folder, response(m_random, m_sent));
    r = import(url(Folder), base);
    QVERIFY2(r.output.contains(QStringLiteral("2 réponses ajoutées, 0 déjà dans la base, 0 messages")),
             qPrintable(r.output));
    r = import(url(Folder), base);
    QVERIFY2(r.output.contains(QStringLiteral("0 réponses ajoutées, 0 déjà dans la base, 0 messages")),
             qPrintable(r.output));
    QVERIFY(!flags().contains(QStringLiteral("\\Seen")));

    // The same folder through STARTTLS: another address, read whole, nothing twice.
    QFile port(m_dir.filePath(QStringLiteral("imap-port")));
    QVERIFY(port.open(QIODevice::ReadOnly));
    r = import(QStringLiteral("imap://avis@localhost:%1/%2").arg(QString::fromLatin1(port.readAll()), Folder), base);
    QVERIFY2(r.output.contains(QStringLiteral("0 réponses ajoutées, 6 déjà dans la base")), qPrintable(r.output));
    Base b;
    QVERIFY(b.open(base));
    QCOMPARE(b.responses(), 5);
    // A response longer than a request takes arrives whole.
    answertext::Answers longer;
    for (int line = 0; line < 9000; ++line)
        longer.texts[9] += QStringLiteral("Une ligne de la réponse %1\r\n").arg(line);
    longer.texts[9].chop(2);
    save(Folder, testing::responseMail("long@ecole.fr", QStringLiteral("Lycée"), longer,
                                       QDateTime(QDate(2026, 12, 2), QTime(8, 0), Qt::UTC)));
    // The folder's name typed with its space, as on a command line.
    doveadm({QStringLiteral("mailbox"), QStringLiteral("create"), QStringLiteral("-u"), QStringLiteral("avis"),
             QStringLiteral("Réponses élèves")});
    save(QStringLiteral("Réponses élèves"), response(m_random, 9999));
    r = import(QStringLiteral("imaps://avis@localhost:%1/Réponses élèves").arg(m_server.port()), base);
    QVERIFY2(r.code == 0 && r.output.contains(QStringLiteral("1 réponses ajoutées")), qPrintable(r.output));
    r = import(url(Folder), base);
    QVERIFY2(r.output.contains(QStringLiteral("1 réponses ajoutées")), qPrintable(r.output));
    const QStringList header = Base::tableHeader();
    const QList<QStringList> rows = b.table();
    QCOMPARE(rows.last().value(header.indexOf(QStringLiteral("q24"))), longer.texts[9]);
}

void ImapTest::uidValidityChanged()
{
    // The folder made again, the same messages and one more in it.
    doveadm({QStringLiteral("mailbox"), QStringLiteral("delete"), QStringLiteral("-u"), QStringLiteral("avis"), Folder});
    doveadm({QStringLiteral("mailbox"), QStringLiteral("create"), QStringLiteral("-u"), QStringLiteral("avis"), Folder});
    QRandomGenerator again(2212);
    for (int n = 0; n < m_sent; ++n)
        save(Folder, response(again, n));
    save(Folder, response(m_random, m_sent++));
    const testing::Run r = import(url(Folder), m_work.filePath(QStringLiteral("base.sqlite")));
    QVERIFY2(r.output.contains(QStringLiteral("1 réponses ajoutées, 5 déjà dans la base")), qPrintable(r.output));
}

void ImapTest::certificateForAnotherName()
{
    QTemporaryDir dir;
    testing::PortProcess other;
    QVERIFY(startServer(other, dir, TestPki::WrongName));
    const QString address = QStringLiteral("imaps://avis@localhost:%1/INBOX").arg(other.port());
    const QString base = m_work.filePath(QStringLiteral("autre.sqlite"));
    testing::Run r = import(address, base);
    QCOMPARE(r.code, 2);
    const QString fingerprint = QString::fromLatin1(
        m_pki.certificate(TestPki::WrongName).digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    QVERIFY2(r.output.contains(QStringLiteral("la vérification du certificat de localhost")) &&
                 r.output.contains(fingerprint),
             qPrintable(r.output));
    r = import(address, base, {QStringLiteral("--empreinte"), fingerprint});
    QVERIFY2(r.code == 0, qPrintable(r.output));
    // Another certificate's fingerprint opens nothing.
    const QString valid = QString::fromLatin1(m_pki.certificate(TestPki::Valid).digest(QCryptographicHash::Sha256).toHex());
    QCOMPARE(import(address, base, {QStringLiteral("--empreinte"), valid}).code, 2);
    other.stop();
}

void ImapTest::stoppedInTheMiddle()
{
    // Enough messages to be caught fetching, even by a fast reader on a
    // loaded machine, put in the folder's Maildir.
    constexpr int Total = 20000;
    const QString big = QStringLiteral("Gros");
    doveadm({QStringLiteral("mailbox"), QStringLiteral("create"), QStringLiteral("-u"), QStringLiteral("avis"), big});
    const QString box = m_dir.filePath(QStringLiteral("mail/avis/.Gros/new"));
    QVERIFY(QDir(box).exists());
    for (int n = 0; n < Total; ++n) {
        QFile f(QStringLiteral("%1/1796760000.M%2P1.test").arg(box).arg(n));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(response(m_random, 1000 + n));
    }
    const QString base = m_work.filePath(QStringLiteral("gros.sqlite"));
    const QStringList ports = {QString::number(m_server.port()),
                               QString::fromLatin1([this] {
                                   QFile f(m_dir.filePath(QStringLiteral("imap-port")));
                                   return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                               }())};
    QProcess p;
    startImport(p, url(big), base);
    Base watch;
    QVERIFY(QTest::qWaitFor([&] {
        if (watch.path().isEmpty() && QFile::exists(base))
            watch.open(base);
        return (!watch.path().isEmpty() && watch.responses() > 0) || p.state() == QProcess::NotRunning;
    }, 60000));
    QVERIFY2(p.state() == QProcess::Running, p.readAll().constData());
    m_server.stop();
    QVERIFY(p.waitForFinished(60000));
    const QString said = QString::fromUtf8(p.readAll());
    QVERIFY2(p.exitCode() == 2 && said.contains(QStringLiteral("Échec pendant")), qPrintable(said));
    const int kept = watch.responses();
    QVERIFY2(kept > 0 && kept < Total && kept % 500 == 0, qPrintable(QString::number(kept)));

    // The same server again: the import resumes where the last batch ended.
    QVERIFY(startServer(m_server, m_dir, TestPki::Valid, ports));
    const testing::Run r = import(url(big), base);
    QVERIFY2(r.code == 0 && r.output.contains(QStringLiteral("%1 réponses ajoutées, 0 déjà dans la base")
                                                  .arg(Total - kept)),
             qPrintable(r.output));
    QCOMPARE(watch.responses(), Total);
}

void ImapTest::windowAsksTheCertificateOnce()
{
    QTemporaryDir dir;
    testing::PortProcess other;
    QVERIFY(startServer(other, dir, TestPki::WrongName));
    qputenv("SSL_CERT_FILE", m_pki.caFile().toLocal8Bit());
    TallyWindow window;
    QVERIFY(window.openBase(m_work.filePath(QStringLiteral("fenetre.sqlite"))));
    imap::Address address = *imap::Address::fromUrl(QStringLiteral("imaps://avis@localhost/INBOX"));
    address.port = other.port();
    int asked = 0;
    imap::Address offered; // what the window filled its form with
    window.setMailboxAsker([&](QWidget*, const imap::Address& last) {
        offered = last;
        return std::optional<imap::Address>(address);
    });
    window.setPasswordAsker([&](QWidget*, const imap::Address&) {
        ++asked;
        return std::optional<QString>(QStringLiteral("secret"));
    });
    QAction* mailbox = nullptr;
    for (QAction* a : window.menuBar()->actions().first()->menu()->actions())
        if (a->text().remove(QLatin1Char('&')) == QStringLiteral("Boîte aux lettres…"))
            mailbox = a;
    QVERIFY(mailbox);

    // The certificate is for another name: asked, trusted, remembered.
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    mailbox->trigger();
    QCOMPARE(MessageBox::count(), 2);
    QVERIFY2(MessageBox::last().text.startsWith(QStringLiteral("0 réponse ajoutée, 0 déjà")), qPrintable(MessageBox::last().text));
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    mailbox->trigger();
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
    QVERIFY(asked >= 1); // no keyring here: asked each time

    // The folder of the first server, into the table.
    address.port = m_server.port();
    address.folder = Folder;
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    mailbox->trigger();
    QVERIFY2(MessageBox::last().text.contains(QStringLiteral("ajoutées")), qPrintable(MessageBox::last().text));
    QVERIFY2(window.summary().startsWith(QStringLiteral("6 réponses affichées sur 6")), qPrintable(window.summary()));
    other.stop();

    // A folder that fails is offered again as it was typed.
    address.port = testing::closedPort();
    address.folder = QStringLiteral("Réponses élèves");
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    mailbox->trigger();
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    mailbox->trigger();
    QCOMPARE(offered.url(), address.url());
}

QTEST_MAIN(ImapTest)
#include "tst_imap.moc"
