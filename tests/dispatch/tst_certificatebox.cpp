#include "dispatch/certificatebox.h"
#include "dispatch/tlsconfig.h"
#include "dispatch/tlssink.h"
#include "ui/messagebox.h"

#include <QProcess>
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

QTEST_MAIN(CertificateBoxTest)
#include "tst_certificatebox.moc"
