#include "app/french.h"
#include "dispatch/exporter.h"
#include "dispatch/failuretext.h"
#include "support/smtppeer.h"
#include "smtp/smtpsession.h"
#include "settings/param.h"
#include "support/helpers.h"
#include "support/dispatchwindow.h"
#include "support/portprocess.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QAccessible>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

class ExporterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sectionFNamesSomeoneElse();
    void adviceFitsTheModeChosen();
    void initTestCase();
    void init();
    void look();
    void shadowedCaptions();
    void senderLine();
    void unreadableSettings();
    void settingsReadAgainAfterParam();
    void unreadableAfterParamCloses();
    void closingPaths_data();
    void closingPaths();
    void failureKeepsTheWindowOpen();
    void refusedBeforeConnecting_data();
    void refusedBeforeConnecting();
    void statusLineFollowsTheSteps();
    void clearTextOnlyWithConsent();
    void replyOutOfTurnIsAnError();
    void aSendYouCanWatch();
    void boxesReadInFrench_data();
    void boxesReadInFrench();
};

namespace
{

QByteArray settings(const QByteArray& name, const QByteArray& address, const QByteArray& server,
                    const QByteArray& recipient = "retour@tarvel.fr")
{
    return paranetFile(name, address, server, recipient);
}

QString paranetIn(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("PARANET.LST"));
}

using Window = DispatchWindow;

// Answers the next message box with OK, without showing it.
void answerNextBox()
{
    MessageBox::setNextAnswer(QMessageBox::Ok);
}

const QString TransmissionError =
    QStringLiteral("Erreur lors de la transmission.\r\nVérifier les paramètres de connexion.");

struct Ink {
    QRect white, black;
};

// The bounding boxes of pure white and pure black pixels in a band of the image.
Ink inkIn(const QImage& image, const QRect& band)
{
    Ink ink;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            if (c == 0xFFFFFF)
                ink.white |= QRect(x, y, 1, 1);
            else if (c == 0)
                ink.black |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

void retype(QLineEdit* box, const QString& text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    typeText(box, text);
}

} // namespace

void ExporterTest::initTestCase()
{
    // As the program does: standard buttons in French.
    QVERIFY(useFrench(qApp));
}

void ExporterTest::init()
{
    MessageBox::reset();
}

void ExporterTest::look()
{
    Window win;
    Exporter& w = *win.w;
    QVERIFY(w.loaded());
    QCOMPARE(w.objectName(), QStringLiteral("Exporter"));
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Expédier le questionnaire par courrier électronique"));
    QVERIFY(w.windowFlags() & Qt::Tool);
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // 7890 x 2235 twips at 15 twips a pixel, and not resizable.
    QCOMPARE(w.size(), QSize(526, 149));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.geometry().center(), w.screen()->geometry().center());

    const struct {
        QWidget* control;
        const char* name;
        QRect rect;
    } controls[] = {
        {w.Label4, "Label4", {24, 0, 449, 17}},  {w.Label3, "Label3", {0, 16, 81, 17}},
        {w.Label5, "Label5", {88, 16, 425, 17}}, {w.Image1, "Image1", {104, 68, 32, 32}},
        {w.Image3, "Image3", {240, 68, 32, 32}}, {w.Image2, "Image2", {376, 68, 32, 32}},
        {w.Label1, "Label1", {0, 132, 526, 17}},
    };
    for (const auto& c : controls) {
        QCOMPARE(c.control->objectName(), QLatin1String(c.name));
        QCOMPARE(c.control->geometry(), c.rect);
    }
    QCOMPARE(w.Label4->text(), QStringLiteral("Questionnaire"));
    QCOMPARE(w.Label3->text(), QStringLiteral("Auteur:"));
    QVERIFY(w.Label3->font().bold());
    QCOMPARE(w.Label3->font().pointSizeF(), 9.75);
    QCOMPARE(w.Label1->text(), QString());

    const QStringList tips = {"Fermer sans expédier", "Paramètres", "Expédier"};
    const ImageButton* pictures[] = {w.Image1, w.Image3, w.Image2};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(pictures[i]->toolTip(), tips[i]);
        QCOMPARE(pictures[i]->pixmap().size(), QSize(32, 32));
        QCOMPARE(pictures[i]->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(pictures[i]->cursor().hotSpot(), QPoint(12, 1));
    }
    QVERIFY(w.Image1->pixmap().toImage() != w.Image3->pixmap().toImage());
    QVERIFY(w.Image3->pixmap().toImage() != w.Image2->pixmap().toImage());

    // The colours as drawn.
    win.open();
    const QImage image = w.grab().toImage();
    QCOMPARE(image.pixelColor(5, 40), QColor(58, 140, 201));     // background
    QCOMPARE(image.pixelColor(500, 40), QColor(58, 140, 201));   // right of the pictures
    QCOMPARE(image.pixelColor(440, 2), QColor(Qt::white));       // Label4
    QCOMPARE(image.pixelColor(500, 25), QColor(Qt::white));      // Label5
    QCOMPARE(image.pixelColor(520, 145), QColor(192, 192, 192)); // Label1
    QCOMPARE(image.pixelColor(78, 30), QColor(58, 140, 201));    // under Label3's text
    // The lettering of Label3 and of the status line in their own colours
    // (within what anti-aliasing of small letters leaves of them).
    auto holds = [](const QImage& im, const QRect& r, const QColor& c) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor p = im.pixelColor(x, y);
                if (qAbs(p.red() - c.red()) + qAbs(p.green() - c.green()) +
                        qAbs(p.blue() - c.blue()) <=
                    48)
                    return true;
            }
        return false;
    };
    QVERIFY(holds(image, QRect(0, 16, 60, 17), QColor(247, 247, 225)));
    w.Label1->setText(QStringLiteral("Connecté"));
    QVERIFY(holds(w.grab().toImage(), QRect(0, 132, 80, 17), QColor(0, 0, 128)));
}

void ExporterTest::shadowedCaptions()
{
    Window win;
    win.open();
    // The band under the icons (rows 68 to 99) and above the status line, as
    // it should look: black captions with their top-left corners at (100, 104),
    // (226, 104) and (369, 104), the same in white two pixels up and left, in
    // the window's font made bold.
    const QRect band(0, 100, 526, 32);
    QImage expected(band.size(), QImage::Format_RGB32);
    expected.fill(QColor(58, 140, 201));
    {
        QPainter p(&expected);
        QFont bold = win.w->font();
        bold.setBold(true);
        p.setFont(bold);
        const int ascent = QFontMetrics(bold).ascent();
        const QStringList texts = {"Annuler", "Paramètres", "Expédier"};
        const int xs[] = {100, 226, 369};
        p.setPen(Qt::black);
        for (int i = 0; i < 3; ++i)
            p.drawText(xs[i], 104 - band.top() + ascent, texts[i]);
        p.setPen(Qt::white);
        for (int i = 0; i < 3; ++i)
            p.drawText(xs[i] - 2, 102 - band.top() + ascent, texts[i]);
    }
    const Ink ink = inkIn(expected, expected.rect());
    QVERIFY(ink.white.width() > 300 && ink.black.width() > 300);

    for (int pass = 0; pass < 2; ++pass) {
        const QImage image = win.w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.copy(band), expected);
        // Covered and uncovered: painted again at the same place.
        QWidget cover;
        cover.setGeometry(win.w->geometry());
        cover.show();
        settle(50);
        cover.hide();
        win.w->update();
        settle(50);
    }
}

void ExporterTest::senderLine()
{
    Window win(settings("Lyc\xe9"
                        "e Jean Moulin",
                        "prof@lycee-moulin.fr", "smtp.lycee-moulin.fr"));
    QCOMPARE(win.w->Label5->text(), QStringLiteral("Lycée Jean Moulin ( prof@lycee-moulin.fr )"));

    // No file: created empty, and the line is the two brackets alone.
    Window none;
    QVERIFY(none.w->loaded());
    QCOMPARE(none.w->Label5->text(), QStringLiteral(" (  )"));
    QVERIFY(QFile::exists(paranetIn(none.dir)));
    QCOMPARE(QFileInfo(paranetIn(none.dir)).size(), 0);
}

void ExporterTest::unreadableSettings()
{
    // A directory where the file should be: it can be neither opened nor made.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PARANET.LST")));
    answerNextBox();
    Exporter w(dir.path(), [] { return QString(); });
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Lecture impossible"));
    QCOMPARE(MessageBox::last().text, QStringLiteral("Lecture imposible sur le disque."));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
    QCOMPARE(MessageBox::last().buttons, QMessageBox::Ok);
    QVERIFY(!w.loaded());
    QVERIFY(!w.isVisible());
}

void ExporterTest::settingsReadAgainAfterParam()
{
    Window win(settings("Lyc\xe9"
                        "e Jean Moulin",
                        "prof@lycee-moulin.fr", "smtp.lycee-moulin.fr"));
    win.open();
    bool seen = false;
    onNextModal([&seen](QWidget* modal) {
        auto* dlg = qobject_cast<param*>(modal);
        QVERIFY(dlg);
        seen = true;
        retype(dlg->Text3, QStringLiteral("Collège Brassens"));
        retype(dlg->Text4, QStringLiteral("cpe@college-brassens.fr"));
        QTest::mouseClick(dlg->Command3, Qt::LeftButton); // Valider
    });
    QTest::mouseClick(win.w->Image3, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(win.w->Label5->text(), QStringLiteral("Collège Brassens ( cpe@college-brassens.fr )"));
    QVERIFY(win.w->isVisible());

    // The sender line opens the same window; cancelling it reads the file
    // again, which the test changes meanwhile, as the sibling program might.
    seen = false;
    QTemporaryDir* dir = &win.dir;
    onNextModal([&seen, dir](QWidget* modal) {
        auto* dlg = qobject_cast<param*>(modal);
        QVERIFY(dlg);
        seen = true;
        writeBytes(paranetIn(*dir), settings("Autre", "autre@lycee.fr", "smtp"));
        QTest::mouseClick(dlg->Command2, Qt::LeftButton); // Annuler
    });
    QTest::mouseClick(win.w->Label5, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(win.w->Label5->text(), QStringLiteral("Autre ( autre@lycee.fr )"));
}

void ExporterTest::unreadableAfterParamCloses()
{
    Window win(settings("E", "a@b.fr", "smtp"));
    win.open();
    const QString file = paranetIn(win.dir);
    onNextModal([file](QWidget* modal) {
        auto* dlg = qobject_cast<param*>(modal);
        QVERIFY(dlg);
        QFile::remove(file);
        QDir().mkdir(file);
        answerNextBox();
        QTest::mouseClick(dlg->Command2, Qt::LeftButton);
    });
    QTest::mouseClick(win.w->Image3, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Lecture impossible"));
    QVERIFY(!win.w->isVisible());
    QCOMPARE(win.w->result(), int(QDialog::Rejected));
}

void ExporterTest::closingPaths_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Annuler") << false << false;
    QTest::newRow("close box") << false << true;
    QTest::newRow("Annuler during a run") << true << false;
    QTest::newRow("close box during a run") << true << true;
}

void ExporterTest::closingPaths()
{
    QFETCH(bool, running);
    QFETCH(bool, closeBox);
    ScriptedPeer peer;
    peer.replies["RCPT"] = QByteArray(); // a run waits here
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    win.open();
    if (running) {
        QTest::mouseClick(win.w->Image2, Qt::LeftButton);
        QTRY_COMPARE(win.w->Label1->text(), QStringLiteral("Expédition du message"));
        // A second send and the settings do nothing while the run waits.
        QTest::mouseClick(win.w->Image2, Qt::LeftButton);
        QTest::mouseClick(win.w->Image3, Qt::LeftButton);
        settle(100);
        QCOMPARE(QApplication::activeModalWidget(), win.w.get());
        QCOMPARE(peer.connections, 1);
    }
    if (closeBox)
        win.w->close();
    else
        QTest::mouseClick(win.w->Image1, Qt::LeftButton);
    QVERIFY(!win.w->isVisible());
    QCOMPARE(win.w->result(), int(QDialog::Rejected));
    QCOMPARE(win.w->Winsock1->socketState(), QAbstractSocket::UnconnectedState);
    if (running)
        QTRY_VERIFY(peer.clientClosed);
    settle(200);
    QCOMPARE(MessageBox::count(), 0);
}

void ExporterTest::failureKeepsTheWindowOpen()
{
    ScriptedPeer peer;
    peer.replies["RCPT"] = "550 5.1.1 <retour@tarvel.fr>: Recipient address rejected\r\n";
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    win.open();
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 1);
    const MessageBox::Record box = MessageBox::last();
    QCOMPARE(box.title, QStringLiteral("Erreur transmission"));
    QCOMPARE(box.text, TransmissionError);
    QCOMPARE(box.icon, QMessageBox::Critical);
    // The reason, in French, and what the server said.
    QCOMPARE(box.details,
             QStringLiteral("Le serveur a refusé l’adresse du destinataire.\n"
                            "Étape atteinte : adresse du destinataire (RCPT TO), serveur "
                            "127.0.0.1, port %1, sans chiffrement\n"
                            "Dernière réponse du serveur (code 550) :\n"
                            "550 5.1.1 <retour@tarvel.fr>: Recipient address rejected")
                 .arg(peer.port()));
    // Without opening the details: the cause, the server's words, what to try.
    const QStringList shown = box.informative.split(QLatin1Char('\n'));
    QCOMPARE(shown.value(0), QStringLiteral("Le serveur a refusé l’adresse du destinataire."));
    QCOMPARE(shown.value(1),
             QStringLiteral("550 5.1.1 <retour@tarvel.fr>: Recipient address rejected"));
    QVERIFY2(shown.last().startsWith(QStringLiteral("Le serveur refuse de transmettre")),
             qPrintable(box.informative));
    settle(300);
    QCOMPARE(MessageBox::count(), 1); // one message, no second
    QVERIFY(win.w->isVisible());
    QCOMPARE(win.w->Label1->text(), QStringLiteral("Expédition du message"));
    QCOMPARE(win.w->Winsock1->socketState(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY(peer.clientClosed);

    // The user may try again from the same window, the server now willing.
    peer.replies["RCPT"] = "250 Ok\r\n";
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 2);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QTRY_VERIFY(!win.w->isVisible());
    QCOMPARE(peer.connections, 2);
    QCOMPARE(peer.commands.count("RCPT TO:<retour@tarvel.fr>"), 2);
    QCOMPARE(peer.commands.last(), QByteArray("QUIT"));
}

void ExporterTest::refusedBeforeConnecting_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QString>("text");
    const QString noServer =
        QStringLiteral("Il faut indiquer le serveur de courrier sortant (SMTP) pour envoyer le "
                       "questionnaire.\r\nCliquez sur « Paramètres » : « Rechercher » le trouve "
                       "d’après votre adresse électronique ; sinon, votre fournisseur de messagerie "
                       "l’indique dans son aide.");
    QTest::newRow("no server") << QByteArray("a@b.fr") << QByteArray() << noServer;
    QTest::newRow("spaces") << QByteArray("a@b.fr") << QByteArray("   ") << noServer;
    QTest::newRow("line break")
        << QByteArray("a@b.fr>\r\nRCPT TO:<autre@x.fr") << QByteArray("127.0.0.1")
        << QStringLiteral("Le nom ou l’adresse de l’expéditeur, ou l’adresse du destinataire, "
                          "contient un retour à la ligne.\r\nLe questionnaire ne peut pas être "
                          "envoyé avec ces paramètres.");
    QTest::newRow("sender parameters")
        << QByteArray("a@b.fr> SIZE=1 BODY=8BITMIME") << QByteArray("127.0.0.1")
        << QStringLiteral("L’adresse électronique de l’expéditeur contient un chevron (« < » ou "
                          "« > »).\r\nCliquer sur « paramètres » pour la corriger.");
    QTest::newRow("sender NUL") << QByteArray("a\0b@c.fr", 8) << QByteArray("127.0.0.1")
                                << QStringLiteral("L’adresse électronique de l’expéditeur "
                                                  "contient un caractère de contrôle.\r\nCliquer "
                                                  "sur « paramètres » pour la corriger.");
    QTest::newRow("server NUL")
        << QByteArray("a@b.fr") << QByteArray("127.0.0.1\0evil", 14)
        << QStringLiteral("Le nom du serveur de courrier sortant (SMTP) contient un caractère de "
                          "contrôle.\r\nCliquer sur « paramètres » pour le corriger.");
    QTest::newRow("server LF")
        << QByteArray("a@b.fr") << QByteArray("127.0.0.1\n")
        << QStringLiteral("Le nom du serveur de courrier sortant (SMTP) contient un retour à la "
                          "ligne.\r\nCliquer sur « paramètres » pour le corriger.");
    QTest::newRow("server space") << QByteArray("a@b.fr") << QByteArray("smtp lycee.fr")
                                  << QStringLiteral("Le nom du serveur de courrier sortant (SMTP) "
                                                    "contient une espace.\r\nCliquer sur « "
                                                    "paramètres » pour le corriger.");
}

void ExporterTest::refusedBeforeConnecting()
{
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, server);
    QFETCH(QString, text);
    ScriptedPeer peer;
    Window win(settings("E", address, server), peer.port());
    win.open();
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Paramètre incorrect"));
    QCOMPARE(MessageBox::last().text, text);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QVERIFY(win.w->isVisible());
    QCOMPARE(win.w->Label1->text(), QString());
    settle(100);
    QCOMPARE(peer.connections, 0);
}

void ExporterTest::statusLineFollowsTheSteps()
{
    ScriptedPeer peer;
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    win.open();
    QStringList shown;
    connect(win.w->Winsock1, &SmtpSession::progressed, this,
            [&shown, &win] { shown << win.w->Label1->text(); });
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QCOMPARE(MessageBox::last().text, QStringLiteral("Merci pour votre contribution."));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Information);
    QCOMPARE(shown, QStringList({"Connexion en cours", "Connecté", "Expédition du message",
                                 "Déconnection", "Déconnecté", "Terminé"}));
    QTRY_VERIFY(!win.w->isVisible());
}

void ExporterTest::clearTextOnlyWithConsent()
{
    // Automatic mode, the TLS ports closed, a plain port without STARTTLS:
    // the teacher is asked, « Non » the default, and « Non » sends nothing.
    ScriptedPeer peer;
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    MessageBox::Record asked;
    win.w->setClearTextQuestion([&asked](QWidget* parent) {
        const bool yes = Exporter::askClearText(parent);
        asked = MessageBox::last();
        return yes;
    });
    win.open();
    MessageBox::setNextAnswer(QMessageBox::No);
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 2);
    QCOMPARE(asked.text, QStringLiteral("La connexion au serveur n’est pas chiffrée : vos réponses "
                                        "pourraient être lues en chemin. Envoyer quand même ?"));
    QCOMPARE(asked.defaultButton, QMessageBox::No);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Erreur transmission"));
    QVERIFY(peer.data.isEmpty());
    for (const QByteArray& command : std::as_const(peer.commands))
        QVERIFY2(!command.startsWith("MAIL"), command.constData());
}

void ExporterTest::replyOutOfTurnIsAnError()
{
    // "250 queued" before the message was even sent: not a delivery.
    ScriptedPeer peer;
    peer.replies["DATA"] = "354 go\r\n250 queued\r\n";
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    win.open();
    answerNextBox();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_COMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Erreur transmission"));
    QCOMPARE(MessageBox::last().text, TransmissionError);
    QVERIFY(MessageBox::last().details.startsWith(
        QStringLiteral("Le serveur a envoyé une réponse qu’aucune commande n’attendait.")));
    QVERIFY(win.w->isVisible());
    QVERIFY(peer.data.isEmpty());
}

void ExporterTest::aSendYouCanWatch()
{
    // A server that stalls after the sender: the window shows the run, says
    // what it waits for, and « Annuler » ends it at once.
    ScriptedPeer peer;
    peer.replies["MAIL"] = "";
    Window win(settings("E", "a@b.fr", "127.0.0.1"), peer.port());
    SmtpSession::Timeouts t;
    t.reply = 60000;
    win.w->Winsock1->setTimeouts(t);
    win.open();
    QTest::mouseClick(win.w->Image2, Qt::LeftButton);
    QTRY_VERIFY(peer.commands.contains(QByteArray("MAIL FROM:<a@b.fr>")));
    for (QWidget* idle : std::initializer_list<QWidget*>{win.w->Image2, win.w->Image3,
                                                         win.w->Label5, win.w->Connexion})
        QVERIFY2(!idle->isEnabled(), qPrintable(idle->objectName()));
    QVERIFY(win.w->Image1->isEnabled());
    QCOMPARE(win.w->cursor().shape(), Qt::BusyCursor);
    QTRY_COMPARE_WITH_TIMEOUT(win.w->Label1->text(),
                              QStringLiteral("Connecté — en attente du serveur : adresse de "
                                             "l’expéditeur (MAIL FROM)"),
                              6000);
    // The status line's name is its text, for a screen reader.
    QCOMPARE(QAccessible::queryAccessibleInterface(win.w->Label1)->text(QAccessible::Name),
             win.w->Label1->text());

    QTest::mouseClick(win.w->Image1, Qt::LeftButton);
    QVERIFY(!win.w->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(peer.clientClosed, 1000);
    QCOMPARE(MessageBox::count(), 0);
    QVERIFY(win.w->Image2->isEnabled());
}

void ExporterTest::boxesReadInFrench_data()
{
    QTest::addColumn<QByteArray>("file"); // PARANET.LST; null for none
    QTest::addColumn<QByteArray>("rcpt"); // the peer's reply to RCPT
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("Lecture impossible")
        << QByteArray("dir") << QByteArray() << "Lecture impossible" << QStringList{"OK"};
    QTest::newRow("Paramètre incorrect") << settings("E", "a@b.fr", "") << QByteArray()
                                         << "Paramètre incorrect" << QStringList{"OK"};
    QTest::newRow("Erreur transmission")
        << settings("E", "a@b.fr", "127.0.0.1") << QByteArray("550 no\r\n") << "Erreur transmission"
        << QStringList{"OK", "Montrer les détails..."};
    QTest::newRow("Transmission OK")
        << settings("E", "a@b.fr", "127.0.0.1") << QByteArray("250 ok\r\n") << "Transmission OK"
        << QStringList{"OK"};
}

void ExporterTest::boxesReadInFrench()
{
    // Each box of the window as the user sees it: built the way the seam
    // shows it, from what the window asked for.
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, rcpt);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    ScriptedPeer peer;
    peer.replies["RCPT"] = rcpt;
    answerNextBox();
    std::unique_ptr<Window> win;
    if (file == "dir") {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PARANET.LST")));
        Exporter w(dir.path(), [] { return QString(); });
    } else {
        win = std::make_unique<Window>(file, peer.port());
        win->open();
        QTest::mouseClick(win->w->Image2, Qt::LeftButton);
    }
    QTRY_COMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, title);

    QScopedPointer<QMessageBox> box(MessageBox::build(nullptr, MessageBox::last()));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.data()));
    QCOMPARE(box->windowTitle(), title);
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text().remove(QLatin1Char('&'));
    texts.sort();
    buttons.sort();
    QCOMPARE(texts, buttons);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    QVERIFY(!box->isVisible());
}

void ExporterTest::sectionFNamesSomeoneElse()
{
    // A second teacher on the same computer: told beside the author's line,
    // and one click sends under her own name and address.
    Window win;
    Exporter& w = *win.w;
    const QString before = w.Label5->text();
    w.setContact({QStringLiteral("Marie Dupré"), QStringLiteral("Lycée Curie"), QStringLiteral("marie@curie.invalid")});
    win.open();
    QVERIFY(w.Label6->isVisible() && w.Utiliser->isVisible());
    QCOMPARE(w.Label6->text(), QStringLiteral("Vos coordonnées (section F) : Marie Dupré, marie@curie.invalid"));
    QTest::mouseClick(w.Utiliser, Qt::LeftButton);
    QCOMPARE(w.Label5->text(), QStringLiteral("Marie Dupré ( marie@curie.invalid )"));
    QVERIFY(!w.Label6->isVisible());
    QVERIFY(before != w.Label5->text());
    // The same person, named a little otherwise, is no one else.
    w.setContact({QStringLiteral("marie dupre"), QString(), QString()});
    QVERIFY(!w.Label6->isVisible());
}

void ExporterTest::adviceFitsTheModeChosen()
{
    using Mode = smtp::Mode;
    SmtpSession::Failure blocked;
    blocked.cause = SmtpSession::Cause::Unreachable;
    blocked.stage = SmtpConnector::Stage::Probing;
    QVERIFY(failuretext::advice(blocked, Mode::StartTls).contains(QStringLiteral("choisissez « Automatique »")));
    const QString automatic = failuretext::advice(blocked, Mode::Automatic);
    QVERIFY2(!automatic.contains(QStringLiteral("Automatique")) && automatic.contains(QStringLiteral("465, 587 et 25")),
             qPrintable(automatic));
    SmtpSession::Failure relay;
    relay.cause = SmtpSession::Cause::Refused;
    relay.stage = SmtpConnector::Stage::Open;
    relay.state = SmtpSession::State::RcptTo;
    QVERIFY(failuretext::advice(relay, Mode::Plain).contains(QStringLiteral("choisissez STARTTLS")));
    QVERIFY(!failuretext::advice(relay, Mode::StartTls).contains(QStringLiteral("choisissez STARTTLS")));
    // No advice sends anyone to a help that does not exist.
    QVERIFY(!failuretext::refusal({SmtpSession::Setting::Server, mailcheck::Fault::Empty}).contains(QStringLiteral("aide si")));
}

QTEST_MAIN(ExporterTest)
#include "tst_exporter.moc"
