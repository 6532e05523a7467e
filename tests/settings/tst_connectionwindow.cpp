#include "settings/connectionprofile.h"
#include "settings/connectionwindow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The per-user connection settings of each server: kept apart from
// PARANET.LST, one profile a host, edited in their window.
class ConnectionWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void profilesArePerHost();
    void validateWritesTheProfileOnly();
    void cancelWritesNothing();
    void forgettingCertificatesAndChangingMode();
};

namespace
{

ConnectionProfile sample()
{
    ConnectionProfile p;
    p.mode = ConnectionProfile::Mode::StartTls;
    p.port = 2587;
    p.user = QStringLiteral("prof.dupont");
    p.found = ConnectionProfile::Mode::ImplicitTls;
    p.foundPort = 465;
    p.trusted = {QStringLiteral("AB:CD"), QStringLiteral("EF:01")};
    p.reachedWithTls = true;
    return p;
}

} // namespace

void ConnectionWindowTest::profilesArePerHost()
{
    QTemporaryDir dir;
    ConnectionProfiles store(dir.filePath(QStringLiteral("connexions.ini")));

    // A server never seen: automatic, usual port, nothing found yet.
    const ConnectionProfile fresh = store.load(QStringLiteral("smtp.example.fr"));
    QCOMPARE(fresh.mode, ConnectionProfile::Mode::Automatic);
    QCOMPARE(fresh.effectiveMode(), ConnectionProfile::Mode::Automatic);
    QVERIFY(!fresh.reachedWithTls);
    QVERIFY(fresh.trusted.isEmpty());

    QVERIFY(store.save(QStringLiteral("smtp.example.fr"), sample()));
    // Read back under the same host typed with other case and spaces; a
    // host name that looks like the file's own syntax stays apart.
    const ConnectionProfile back = store.load(QStringLiteral("  SMTP.example.FR "));
    QCOMPARE(back.mode, ConnectionProfile::Mode::StartTls);
    QCOMPARE(back.port, quint16(2587));
    QCOMPARE(back.effectivePort(), quint16(2587));
    QCOMPARE(back.user, QStringLiteral("prof.dupont"));
    QCOMPARE(back.found, ConnectionProfile::Mode::ImplicitTls);
    QCOMPARE(back.trusted, sample().trusted);
    QVERIFY(back.reachedWithTls);
    QCOMPARE(store.load(QStringLiteral("smtp.example.fr/../x]")).mode,
             ConnectionProfile::Mode::Automatic);
    QCOMPARE(store.load(QStringLiteral("smtp2.example.fr")).mode,
             ConnectionProfile::Mode::Automatic);

    // Automatic mode uses what it found, at the port it found.
    ConnectionProfile automatic;
    automatic.found = ConnectionProfile::Mode::StartTls;
    QCOMPARE(automatic.effectiveMode(), ConnectionProfile::Mode::StartTls);
    QCOMPARE(automatic.effectivePort(), quint16(587));
}

void ConnectionWindowTest::validateWritesTheProfileOnly()
{
    QTemporaryDir dir;
    ::umask(022);
    const QString path = dir.filePath(QStringLiteral("config/connexions.ini"));
    ConnectionProfiles store(path);
    ConnectionWindow w(store, QStringLiteral(" smtp.example.fr "), QStringLiteral("a@b.fr"));
    QCOMPARE(w.mode->currentIndex(), int(ConnectionProfile::Mode::Automatic));
    QCOMPARE(w.user->placeholderText(), QStringLiteral("a@b.fr"));
    QCOMPARE(w.mode->itemText(2), QStringLiteral("STARTTLS (port 587)"));
    // Said beside a choice without encryption, and there only.
    QVERIFY(!w.clearText->isVisibleTo(&w));
    w.mode->setCurrentIndex(int(ConnectionProfile::Mode::Plain));
    QVERIFY(w.clearText->isVisibleTo(&w));
    w.mode->setCurrentIndex(int(ConnectionProfile::Mode::ImplicitTls));
    QVERIFY(!w.clearText->isVisibleTo(&w));
    w.port->setValue(4650);
    w.user->setText(QStringLiteral(" prof "));
    QTest::mouseClick(w.validate, Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Accepted));

    const ConnectionProfile p = store.load(QStringLiteral("smtp.example.fr"));
    QCOMPARE(p.mode, ConnectionProfile::Mode::ImplicitTls);
    QCOMPARE(p.effectivePort(), quint16(4650));
    QCOMPARE(p.user, QStringLiteral("prof"));
    // One file, in the configuration directory it was given, the user's
    // alone whatever the umask: it holds a login name and trusted certificates.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(QFile::permissions(dir.filePath(QStringLiteral("config"))) & QFile::Permissions(0x7077),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ConnectionWindowTest::cancelWritesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("connexions.ini"));
    ConnectionProfiles store(path);
    ConnectionWindow w(store, QStringLiteral("smtp.example.fr"), QString());
    w.mode->setCurrentIndex(int(ConnectionProfile::Mode::Plain));
    QTest::mouseClick(w.cancel, Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(path));
}

void ConnectionWindowTest::forgettingCertificatesAndChangingMode()
{
    QTemporaryDir dir;
    ConnectionProfiles store(dir.filePath(QStringLiteral("connexions.ini")));
    ConnectionProfile p;
    p.found = ConnectionProfile::Mode::StartTls;
    p.foundPort = 587;
    p.trusted = {QStringLiteral("AB:CD")};
    p.reachedWithTls = true;
    QVERIFY(store.save(QStringLiteral("smtp.example.fr"), p));

    ConnectionWindow w(store, QStringLiteral("smtp.example.fr"), QString());
    QVERIFY(w.forget->isEnabled());
    QVERIFY(w.certificates->text().startsWith(QStringLiteral("1 certificat accepté")));
    QTest::mouseClick(w.forget, Qt::LeftButton);
    QVERIFY(!w.forget->isEnabled());
    w.mode->setCurrentIndex(int(ConnectionProfile::Mode::StartTls));
    QTest::mouseClick(w.validate, Qt::LeftButton);

    const ConnectionProfile back = store.load(QStringLiteral("smtp.example.fr"));
    QVERIFY(back.trusted.isEmpty());
    QCOMPARE(back.mode, ConnectionProfile::Mode::StartTls);
    // What automatic mode had found no longer applies...
    QCOMPARE(back.found, ConnectionProfile::Mode::Automatic);
    // ...but the server keeps being one reached with TLS.
    QVERIFY(back.reachedWithTls);
}

QTEST_MAIN(ConnectionWindowTest)
#include "tst_connectionwindow.moc"
