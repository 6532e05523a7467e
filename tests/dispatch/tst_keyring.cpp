#include "dispatch/credentials.h"
#include "dispatch/exporter.h"
#include "storage/keyring.h"
#include "dispatch/passwordwindow.h"
#include "dispatch/privatekeyring.h"
#include "smtp/tlsconfig.h"
#include "support/tlssink.h"
#include "support/helpers.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

// The password kept in a real gnome-keyring-daemon, unlocked in a D-Bus
// session of the test's own; and, before the keyring starts on that bus, the
// path where no keyring answers.  With them, where a password comes from:
// keyring first, else the password window; and the dispatch window sending
// to a real submission server with the password it kept there.
class KeyringTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void withoutKeyringNothingIsKept();
    void withoutKeyringTheWindowSaysWhy();
    void storeReadBackAndRemove();
    void rememberedOnlyOnceTheServerTookIt();
    void theDispatchWindowSendsWithTheKeptPassword();
    // Last: it stops the keyring.
    void aPasswordTheKeyringCouldNotKeepIsSaid();

private:
    PrivateKeyring m_session;
};

namespace
{

const QString Secret = QStringLiteral("Sésame-ouvre-toi 42");

struct Answer {
    bool done = false;
    Keyring::Result result = Keyring::Result::Unavailable;
    QString password;
};

Answer read(Keyring& k, const QString& key)
{
    Answer a;
    k.read(key, [&a](Keyring::Result r, const QString& p) { a = {true, r, p}; });
    (void)QTest::qWaitFor([&a] { return a.done; }, 20000);
    return a;
}

Answer write(Keyring& k, const QString& key, const QString& password)
{
    Answer a;
    k.write(key, password,
            [&a](Keyring::Result r, const QString& why) { a = {true, r, why}; });
    (void)QTest::qWaitFor([&a] { return a.done; }, 20000);
    return a;
}

Answer remove(Keyring& k, const QString& key)
{
    Answer a;
    k.remove(key, [&a](Keyring::Result r) { a = {true, r, QString()}; });
    (void)QTest::qWaitFor([&a] { return a.done; }, 20000);
    return a;
}

bool anyFileHolds(const QString& dir, const QByteArray& bytes)
{
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(bytes))
            return true;
    }
    return false;
}

// Answers the next password window: types the password, ticks or not, and
// validates (or cancels when password is null).  Records what it showed.
struct WindowSeen {
    bool shown = false;
    bool rememberEnabled = false;
    bool noKeyringShown = false;
    QString notice;
};

void answerWindow(WindowSeen* seen, const QString& password, bool remember)
{
    testing::onNextModal([=](QWidget* w) {
        auto* window = qobject_cast<PasswordWindow*>(w);
        QVERIFY(window);
        seen->shown = true;
        seen->rememberEnabled = window->remember->isEnabled();
        seen->noKeyringShown = !window->noKeyring->isHidden();
        seen->notice = window->notice->isHidden() ? QString() : window->notice->text();
        if (password.isNull()) {
            QTest::mouseClick(window->cancel, Qt::LeftButton);
            return;
        }
        window->entry->setText(password);
        window->remember->setChecked(remember);
        QTest::mouseClick(window->validate, Qt::LeftButton);
    });
}

struct Given {
    bool done = false;
    bool ok = false;
    QString password;
};

Given ask(Credentials& c, bool refused)
{
    Given g;
    c.ask(QStringLiteral("smtp.example.fr"), QStringLiteral("prof@lycee.fr"), refused,
          [&g](bool ok, const QString& p) {
              g = {true, ok, p};
          });
    (void)QTest::qWaitFor([&g] { return g.done; }, 20000);
    return g;
}

} // namespace

void KeyringTest::initTestCase()
{
    QVERIFY(m_session.startBus());
}

void KeyringTest::withoutKeyringNothingIsKept()
{
    Keyring k;
    const QString key = Keyring::key(QStringLiteral("smtp.example.fr"), QStringLiteral("prof"));
    const Answer w = write(k, key, Secret);
    QVERIFY(w.done);
    QCOMPARE(w.result, Keyring::Result::Unavailable);
    const Answer r = read(k, key);
    QVERIFY(r.done);
    QCOMPARE(r.result, Keyring::Result::Unavailable);
    QVERIFY(r.password.isEmpty());
}

void KeyringTest::withoutKeyringTheWindowSaysWhy()
{
    Credentials c(nullptr);
    WindowSeen seen;
    answerWindow(&seen, Secret, true);
    const Given g = ask(c, false);
    QVERIFY(g.ok);
    QCOMPARE(g.password, Secret);
    QVERIFY(seen.shown);
    QVERIFY(!seen.rememberEnabled);
    QVERIFY(seen.noKeyringShown);
    c.accepted(); // nothing to keep it in: asked again next time
    WindowSeen again;
    answerWindow(&again, QString(), false);
    QVERIFY(!ask(c, false).ok); // cancelled
    QVERIFY(again.shown);
}

void KeyringTest::storeReadBackAndRemove()
{
    QVERIFY(m_session.startKeyring());
    Keyring k;
    const QString key =
        Keyring::key(QStringLiteral(" SMTP.Example.fr "), QStringLiteral("prof@lycee.fr"));
    // Host names differ only by case and spaces: one key.
    QCOMPARE(key, Keyring::key(QStringLiteral("smtp.example.fr"), QStringLiteral("prof@lycee.fr")));
    const QString other =
        Keyring::key(QStringLiteral("smtp.example.fr"), QStringLiteral("autre@lycee.fr"));

    QCOMPARE(read(k, key).result, Keyring::Result::NotFound);
    QCOMPARE(write(k, key, Secret).result, Keyring::Result::Done);
    const Answer back = read(k, key);
    QCOMPARE(back.result, Keyring::Result::Done);
    QCOMPARE(back.password, Secret);
    // Where the desktop's own tools find it.
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("server"),
                                               Keyring::service(), QStringLiteral("user"), key});
    QVERIFY(tool.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), Secret);
    // Another user of the same server has a password of its own.
    QCOMPARE(read(k, other).result, Keyring::Result::NotFound);

    // The keyring's files are encrypted: the password is in none of them.
    QVERIFY(!anyFileHolds(m_session.home(), Secret.toUtf8()));

    QCOMPARE(remove(k, key).result, Keyring::Result::Done);
    QCOMPARE(read(k, key).result, Keyring::Result::NotFound);
}

void KeyringTest::rememberedOnlyOnceTheServerTookIt()
{
    QVERIFY(m_session.startKeyring());
    Keyring k;
    const QString key =
        Keyring::key(QStringLiteral("smtp.example.fr"), QStringLiteral("prof@lycee.fr"));
    remove(k, key);
    {
        // Typed with "Mémoriser" ticked, but refused: not kept.
        Credentials c(nullptr);
        WindowSeen seen;
        answerWindow(&seen, QStringLiteral("faux"), true);
        QCOMPARE(ask(c, false).password, QStringLiteral("faux"));
        QVERIFY(seen.rememberEnabled);
        QVERIFY(!seen.noKeyringShown);
        QVERIFY(seen.notice.isEmpty());
        WindowSeen again;
        answerWindow(&again, Secret, true);
        QCOMPARE(ask(c, true).password, Secret);
        QVERIFY(again.notice.contains(QStringLiteral("refusé ce mot de passe")));
        QCOMPARE(read(k, key).result, Keyring::Result::NotFound);
        c.accepted();
        QVERIFY(
            QTest::qWaitFor([&] { return read(k, key).result == Keyring::Result::Done; }, 10000));
        QCOMPARE(read(k, key).password, Secret);
    }
    {
        // The next run takes it from the keyring, no window; refused, the
        // window says the remembered one was, and the keyring lets it go.
        Credentials c(nullptr);
        QCOMPARE(ask(c, false).password, Secret);
        WindowSeen seen;
        answerWindow(&seen, QStringLiteral("nouveau"), false);
        QCOMPARE(ask(c, true).password, QStringLiteral("nouveau"));
        QVERIFY(seen.notice.contains(QStringLiteral("mot de passe mémorisé")));
        c.accepted(); // not ticked: nothing new is kept
        QVERIFY(QTest::qWaitFor(
            [&] { return read(k, key).result == Keyring::Result::NotFound; }, 10000));
    }
}

void KeyringTest::theDispatchWindowSendsWithTheKeptPassword()
{
    // A real submission server that wants the password, and the dispatch
    // window: the first send asks it and keeps it, the second asks nothing.
    QVERIFY(m_session.startKeyring());
    TestPki pki;
    QVERIFY(pki.make());
    tlsconfig::setExtraAuthorities(pki.authorities());
    const QString user = QStringLiteral("prof@lycee.fr");
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, pki, TestPki::Valid, user, Secret));
    QTemporaryDir dir;
    testing::writeBytes(dir.filePath(QStringLiteral("PARANET.LST")),
                        testing::paranetFile("Lycée", user.toLatin1(), "localhost"));
    ConnectionProfiles profiles(dir.filePath(QStringLiteral("connexions.ini")));
    ConnectionProfile p;
    p.mode = ConnectionProfile::Mode::StartTls;
    p.port = sink.port();
    QVERIFY(profiles.save(QStringLiteral("localhost"), p));

    Keyring k;
    const QString key = Keyring::key(QStringLiteral("localhost"), user);
    for (int run = 1; run <= 2; ++run) {
        Exporter w(dir.path(), [] { return QStringLiteral("1. Oui\r\n"); });
        w.setProfiles(profiles);
        w.open();
        WindowSeen seen;
        if (run == 1)
            answerWindow(&seen, Secret, true);
        MessageBox::reset();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(w.Image2, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([] { return MessageBox::count() > 0; }, 20000));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
        QCOMPARE(seen.shown, run == 1);
        QCOMPARE(sink.delivered(), run);
        MessageBox::clearNextAnswers();
        // Kept once the server took it (the keyring answers in its time).
        QVERIFY(QTest::qWaitFor([&] { return read(k, key).password == Secret; }, 10000));
    }
    QCOMPARE(sink.authAttempts(), (QList<QByteArray>{"PLAIN ok", "PLAIN ok"}));
    QVERIFY(!anyFileHolds(dir.path(), Secret.toUtf8()));
    QVERIFY(!anyFileHolds(m_session.home(), Secret.toUtf8()));
}

void KeyringTest::aPasswordTheKeyringCouldNotKeepIsSaid()
{
    // « Mémoriser » ticked while the keyring could still be read; it is gone
    // by the time the server has taken the password.
    QVERIFY(m_session.startKeyring());
    Credentials c(nullptr);
    WindowSeen seen;
    answerWindow(&seen, Secret, true);
    QCOMPARE(ask(c, false).password, Secret);
    QVERIFY(seen.rememberEnabled);
    m_session.stopKeyring();
    c.accepted();
    QString problem;
    bool told = false;
    c.whenKept([&](const QString& p) {
        told = true;
        problem = p;
    });
    QVERIFY(QTest::qWaitFor([&] { return told; }, 30000));
    QVERIFY(!problem.isEmpty());
    // Said once: the next outcome has nothing to say.
    c.whenKept([&](const QString& p) { problem = p; });
    QVERIFY(problem.isEmpty());
}

QTEST_MAIN(KeyringTest)
#include "tst_keyring.moc"
