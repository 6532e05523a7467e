#include "dispatch/certificatebox.h"
#include "smtp/tlsconfig.h"
#include "support/tlssink.h"
#include "ui/messagebox.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSslSocket>
#include <QTest>

// Real handshakes with aiosmtpd over implicit TLS, certificates made by
// openssl: what the verification finds, and what the user is told of it.
class CertificateBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void verification_data();
    void verification();
    void theBoxShowsFingerprintAndDates();
    void aCertificateCannotWriteIntoTheQuestion();

private:
    TestPki m_pki;
};

namespace
{

struct Handshake {
    bool encrypted = false;
    QList<QSslError> errors;
    QSslCertificate peer;
};

Handshake handshake(quint16 port, const QString& host = QStringLiteral("localhost"))
{
    Handshake h;
    QSslSocket s;
    s.setSslConfiguration(tlsconfig::configuration());
    QObject::connect(&s, &QSslSocket::sslErrors, [&h, &s](const QList<QSslError>& e) {
        h.errors = e;
        h.peer = s.peerCertificate();
    });
    s.connectToHostEncrypted(host, port);
    h.encrypted = s.waitForEncrypted(10000);
    return h;
}

QByteArray opensslFingerprint(const QString& certFile)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/openssl"),
            {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
             QStringLiteral("-sha256"), QStringLiteral("-in"), certFile});
    p.waitForFinished(10000);
    // "sha256 Fingerprint=AB:CD:..."
    return p.readAllStandardOutput().trimmed().split('=').last();
}

} // namespace

void CertificateBoxTest::initTestCase()
{
    QVERIFY(m_pki.make());
}

void CertificateBoxTest::cleanup()
{
    tlsconfig::setExtraAuthorities({});
    MessageBox::reset();
    MessageBox::clearNextAnswers();
}

void CertificateBoxTest::verification_data()
{
    QTest::addColumn<int>("server");
    QTest::addColumn<bool>("injected");
    QTest::addColumn<QString>("problem"); // empty: verified

    QTest::newRow("valid, our authority") << int(TestPki::Valid) << true << QString();
    QTest::newRow("valid, system store only")
        << int(TestPki::Valid) << false
        << QStringLiteral("le certificat n’est garanti par aucune autorité de certification "
                          "connue de ce système");
    QTest::newRow("wrong name") << int(TestPki::WrongName) << true
                                << QStringLiteral("le certificat n’est pas établi au nom de ce "
                                                  "serveur");
    QTest::newRow("expired") << int(TestPki::Expired) << true
                             << QStringLiteral("le certificat a expiré");
}

void CertificateBoxTest::verification()
{
    QFETCH(int, server);
    QFETCH(bool, injected);
    QFETCH(QString, problem);
    if (injected)
        tlsconfig::setExtraAuthorities(m_pki.authorities());
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::Server(server)));

    const Handshake h = handshake(sink.port());
    QCOMPARE(h.encrypted, problem.isEmpty());
    QCOMPARE(certificatebox::problems(h.errors), problem);
}

void CertificateBoxTest::theBoxShowsFingerprintAndDates()
{
    tlsconfig::setExtraAuthorities(m_pki.authorities());
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::Expired));
    const Handshake h = handshake(sink.port());
    QVERIFY(!h.errors.isEmpty());
    QCOMPARE(h.peer, m_pki.certificate(TestPki::Expired));

    const QByteArray fingerprint = opensslFingerprint(m_pki.certFile(TestPki::Expired));
    QCOMPARE(tlsconfig::fingerprint(h.peer).toLatin1(), fingerprint);

    // Refused unless the user says yes; No is the default button.
    MessageBox::setNextAnswer(QMessageBox::No);
    QVERIFY(!certificatebox::askTrust(nullptr, QStringLiteral(" localhost "), h.peer, h.errors));
    const MessageBox::Record r = MessageBox::last();
    QCOMPARE(r.icon, QMessageBox::Warning);
    QCOMPARE(r.title, QStringLiteral("Certificat non vérifié"));
    QCOMPARE(r.defaultButton, QMessageBox::No);
    QCOMPARE(r.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(r.text.contains(QStringLiteral("« localhost »")));
    QVERIFY(r.text.contains(QStringLiteral("– le certificat a expiré\r\n")));
    QVERIFY(r.text.contains(QString::fromLatin1(fingerprint)));
    QVERIFY(r.text.contains(QStringLiteral("Valable du 1 janvier 2020 au 1 février 2020")));
    QVERIFY(r.text.contains(QStringLiteral("Délivré par : Autorite de test")));

    MessageBox::setNextAnswer(QMessageBox::Yes);
    QVERIFY(certificatebox::askTrust(nullptr, QStringLiteral("localhost"), h.peer, h.errors));
}

void CertificateBoxTest::aCertificateCannotWriteIntoTheQuestion()
{
    // Names with line breaks, a fake block of their own and a right-to-left
    // override, as a hostile server may present them.
    QTemporaryDir dir;
    // A common name holds at most 64 characters.
    const QString fake =
        QStringLiteral("mx\nDélivré par : Sûre\nEmpreinte SHA-256 : 00:11\r\u202Egnp.exe");
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral("/usr/bin/openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
             QStringLiteral("-keyout"), QStringLiteral("k.pem"), QStringLiteral("-out"),
             QStringLiteral("c.pem"), QStringLiteral("-days"), QStringLiteral("2"),
             QStringLiteral("-utf8"), QStringLiteral("-subj"), QStringLiteral("/CN=") + fake});
    QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    const QSslCertificate crafted =
        QSslCertificate::fromPath(dir.filePath(QStringLiteral("c.pem"))).value(0);
    QCOMPARE(crafted.subjectInfo(QSslCertificate::CommonName).value(0), fake);

    MessageBox::setNextAnswer(QMessageBox::No);
    certificatebox::askTrust(nullptr, QStringLiteral("localhost"), crafted,
                             {QSslError(QSslError::SelfSignedCertificate, crafted)});
    const QStringList lines = MessageBox::last().text.split(QStringLiteral("\r\n"));
    const auto starting = [&lines](const QString& head) {
        return lines.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(head)));
    };
    // One line each, the real fingerprint first of them, nothing turned round.
    QCOMPARE(starting(QStringLiteral("Empreinte SHA-256 : ")),
             QStringList(QStringLiteral("Empreinte SHA-256 : ") + tlsconfig::fingerprint(crafted)));
    QCOMPARE(starting(QStringLiteral("Délivré à : ")).size(), 1);
    QCOMPARE(starting(QStringLiteral("Délivré par : ")).size(), 1);
    QVERIFY(lines.indexOf(starting(QStringLiteral("Empreinte"))[0]) <
            lines.indexOf(starting(QStringLiteral("Délivré à"))[0]));
    for (const QString& line : lines) {
        QVERIFY2(!line.contains(QChar(0x202E)) && !line.contains(QLatin1Char('\n')) &&
                     !line.contains(QLatin1Char('\r')),
                 qPrintable(line));
        QVERIFY2(line.size() < 200, qPrintable(line));
    }
}

QTEST_MAIN(CertificateBoxTest)
#include "tst_certificatebox.moc"
