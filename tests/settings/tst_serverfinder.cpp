// The mail server found from the address, against DNS zones of their own
// (peers/dns_world.py) and real submission servers, then from empty
// settings to « Transmission OK ».  The system's resolver is asked: the test
// runs in a mount namespace where /etc/resolv.conf names the test's DNS
// server alone (root only).
#include "dispatch/exporter.h"
#include "settings/param.h"
#include "smtp/serverfinder.h"
#include "smtp/tlsconfig.h"
#include "support/dispatchwindow.h"
#include "support/helpers.h"
#include "support/portprocess.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace
{

const char* const Inside = "QUESTIONNAIRE_TEST_RESOLVER";

// Runs this very program again in a mount namespace whose /etc/resolv.conf
// names the test's DNS server alone.  Returns only when that cannot be done.
void reenterWithOwnResolver(int argc, char* argv[])
{
    if (geteuid() != 0 || std::getenv(Inside) || std::system("unshare --mount true 2>/dev/null") != 0)
        return;
    char path[] = "/tmp/resolv-test-XXXXXX";
    const int fd = mkstemp(path);
    const char conf[] = "nameserver 127.0.0.77\noptions timeout:2 attempts:1\n";
    if (fd < 0 || write(fd, conf, sizeof conf - 1) != ssize_t(sizeof conf - 1))
        return;
    close(fd);
    setenv(Inside, "1", 1);
    char script[] = "mount --bind \"$1\" /etc/resolv.conf && rm -f \"$1\" && shift && exec \"$0\" \"$@\"";
    char unshare[] = "unshare", mount[] = "--mount", sh[] = "sh", c[] = "-c";
    std::vector<char*> args = {unshare, mount, sh, c, script, argv[0], path};
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("unshare", args.data());
}

} // namespace

class ServerFinderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void theDomains();
    void fromEmptySettingsToTransmissionOk();

private:
    QTemporaryDir m_world;
    testing::PortProcess m_peer;
};

void ServerFinderTest::initTestCase()
{
    QFile resolver(QStringLiteral("/etc/resolv.conf"));
    if (!qEnvironmentVariableIsSet(Inside) || !resolver.open(QIODevice::ReadOnly) ||
        !resolver.readAll().contains("127.0.0.77"))
        QSKIP("needs root and a mount namespace of its own for /etc/resolv.conf");
    QVERIFY(m_peer.startPeer(QStringLiteral("dns_world.py"), {m_world.path()}));
    // The servers' authority, for this process only.
    tlsconfig::setExtraAuthorities(QSslCertificate::fromPath(m_world.filePath(QStringLiteral("ca.pem"))));
}

void ServerFinderTest::theDomains()
{
    using Mode = smtp::Mode;
    const struct {
        const char* address;
        const char* host; // none: nothing found
        quint16 port;
        Mode mode;
        bool inDomain;
        const char* how;
    } cases[] = {
        {"prof@a.test", "mx.a.test", 4650, Mode::ImplicitTls, true, "_submissions._tcp"},
        {"prof@B.Test", "mail.b.test", 5870, Mode::StartTls, true, "_submission._tcp"},
        {"prof@c.test", "smtp.c.test", 465, Mode::ImplicitTls, true, "smtp.c.test"},
        {"prof@d.test", nullptr, 0, Mode::ImplicitTls, true, ""},
        {"prof@e.test", "relay.elsewhere.test", 4651, Mode::ImplicitTls, false, "_submissions._tcp"},
        // Its certificate names another host: never proposed.
        {"prof@f.test", nullptr, 0, Mode::ImplicitTls, true, ""},
    };
    ServerFinder finder;
    finder.setTimeout(3000);
    for (const auto& c : cases) {
        QSignalSpy found(&finder, &ServerFinder::found);
        QSignalSpy nothing(&finder, &ServerFinder::nothingFound);
        finder.find(QString::fromLatin1(c.address));
        QVERIFY2(QTest::qWaitFor([&] { return found.size() + nothing.size() > 0; }, 30000), c.address);
        if (!c.host) {
            QVERIFY2(nothing.size() == 1, c.address);
            continue;
        }
        QVERIFY2(found.size() == 1, c.address);
        const auto f = found.first().first().value<ServerFinder::Found>();
        QCOMPARE(f.host, QString::fromLatin1(c.host));
        QCOMPARE(f.port, c.port);
        QCOMPARE(f.mode, c.mode);
        QCOMPARE(f.inDomain, c.inDomain);
        QCOMPARE(f.how, QString::fromLatin1(c.how));
    }
}

void ServerFinderTest::fromEmptySettingsToTransmissionOk()
{
    // Nothing set but the recipient: section F gives the name and address,
    // « Rechercher » the server, and the answers go.
    DispatchWindow win(testing::paranetFile("", "", "", "avis@c.test"));
    Exporter& w = *win.w;
    w.setContact({QStringLiteral("Marie Dupré"), QStringLiteral("Lycée Curie"), QStringLiteral("marie@e.test")});
    win.open();
    MessageBox::reset();
    bool outsideRefused = false;
    testing::onNextModal([&](QWidget* modal) {
        auto* settings = qobject_cast<param*>(modal);
        QVERIFY(settings);
        settings->finder()->setTimeout(3000);
        QCOMPARE(settings->Text4->text(), QStringLiteral("marie@e.test"));
        // Another domain's server: proposed, « Non » the default, and not taken.
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(settings->Rechercher, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([] { return MessageBox::count() == 1; }, 30000));
        QCOMPARE(MessageBox::last().defaultButton, QMessageBox::No);
        QVERIFY(MessageBox::last().text.contains(QStringLiteral("relay.elsewhere.test")));
        outsideRefused = settings->Text5->text().isEmpty();
        // Her own domain's server, taken.
        settings->Text4->setText(QStringLiteral("marie@c.test"));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(settings->Rechercher, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return settings->Text5->text() == QLatin1String("smtp.c.test"); }, 30000));
        QVERIFY(settings->Hint5->text().contains(QStringLiteral("465")));
        QTest::mouseClick(settings->Command3, Qt::LeftButton);
    });
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QVERIFY(outsideRefused);
    QCOMPARE(w.Label5->text(), QStringLiteral("Marie Dupré ( marie@c.test )"));
    QCOMPARE(win.profile(QStringLiteral("smtp.c.test")).port, quint16(465));

    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(w.Image2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([] { return MessageBox::count() == 3; }, 30000));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QVERIFY(QFile::exists(m_world.filePath(QStringLiteral("smtp.c.test/1.eml"))));
}

int main(int argc, char* argv[])
{
    reenterWithOwnResolver(argc, argv);
    QApplication app(argc, argv);
    ServerFinderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serverfinder.moc"
