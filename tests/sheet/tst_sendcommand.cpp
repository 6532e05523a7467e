// The send command: the answer text composed afresh, the dispatch window
// over the sheet, and the whole road to a real mail server.
#include "dispatch/exporter.h"
#include "smtp/smtpsession.h"
#include "support/smtpsink.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"
#include "support/portprocess.h"
#include "storage/cp1252.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace testing;

class SendCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void sentFromTheSheet();
    void failedThenCancelledFromTheSheet();
    void unreadableSettingsShowNoWindow();
    void aBlankSheetAsksFirst();
};

namespace
{

QByteArray settings(const QByteArray& server)
{
    return paranetFile("Lyc\xe9"
                       "e Curie",
                       "prof@lycee-curie.fr", server);
}

// The shown sheet with its settings file, read when the send command runs.
struct Sheet : ShownSheet {
    explicit Sheet(const QByteArray& paranet)
    {
        writeBytes(dir.filePath(QStringLiteral("PARANET.LST")), paranet);
    }
    // Answers two questions and scrolls down, so that the rebuild shows.
    void answer()
    {
        QTest::mouseClick(w.Option1(0), Qt::LeftButton, {}, QPoint(6, 8)); // 1. Oui
        w.t1(16)->setFocus();
        typeText(w.t1(16), QStringLiteral("Marie Dupré"));
        w.VScroll1->setValue(400);
    }
    void verifyRebuiltAtTopWithAnswers()
    {
        QCOMPARE(w.VScroll1->value(), w.VScroll1->minimum());
        QCOMPARE(w.P1->y(), 57);
        QVERIFY(w.Option1(0)->isChecked());
        QCOMPARE(qobject_cast<QLineEdit*>(w.t1(16))->text(), QStringLiteral("Marie Dupré"));
    }
};

} // namespace

void SendCommandTest::init()
{
    MessageBox::clearNextAnswers();
    MessageBox::reset();
}

void SendCommandTest::sentFromTheSheet()
{
    SmtpSink sink;
    QVERIFY(sink.start());
    Sheet s(settings("127.0.0.1"));
    s.answer();
    // Something left in the buffer by an earlier command is not sent.
    s.w.rtf1->insert(QStringLiteral("Votre avis nous intéresse\r\n"));

    QString sender;
    onNextModal([&](QWidget* modal) {
        auto* dispatch = qobject_cast<Exporter*>(modal);
        QVERIFY(dispatch);
        sender = dispatch->Label5->text();
        dispatch->Winsock1->setPort(sink.port()); // the product's port 25 is not ours
        dispatch->setClearTextQuestion([](QWidget*) { return true; }); // the sink has no TLS
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(dispatch->Image2, Qt::LeftButton);
    });
    QTest::mouseClick(s.w.Command2, Qt::LeftButton);
    // Back here once the dispatch window has closed.
    QCOMPARE(sender, QStringLiteral("Lycée Curie ( prof@lycee-curie.fr )"));
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    s.verifyRebuiltAtTopWithAnswers();

    QCOMPARE(sink.delivered(), 1);
    // The answers have gone: their draft too.
    QVERIFY(!QFile::exists(s.draftPath()));
    const QString text = s.w.rtf1->plainText();
    QVERIFY(text.startsWith(QStringLiteral("1. Oui\r\n2. année\r\n3. \r\n")));
    QVERIFY(text.endsWith(QStringLiteral("Nom et prénom : Marie Dupré\r\n\r\nLycée \r\n\r\n"
                                         "e-mail : \r\n\r\n")));
    const QByteArray raw = sink.raw(1);
    const QByteArray headerEnd = "Content-Transfer-Encoding: 8bit\r\n";
    QVERIFY(raw.contains(headerEnd));
    // Two CR LF, then the answer text; the closing "." follows one more line end.
    QCOMPARE(raw.mid(raw.indexOf(headerEnd) + headerEnd.size()),
             "\r\n\r\n" + cp1252::encode(text) + "\r\n");
    QCOMPARE(sink.message(1)[QLatin1String("subject")].toString(),
             QStringLiteral("Questionnaire ( Lycée Curie )"));
}

void SendCommandTest::failedThenCancelledFromTheSheet()
{
    const quint16 nobody = closedPort();
    Sheet s(settings("127.0.0.1"));
    s.answer();
    QString status;
    bool openAfterFailure = false;
    onNextModal([&](QWidget* modal) {
        auto* dispatch = qobject_cast<Exporter*>(modal);
        QVERIFY(dispatch);
        // A failed send first: the window stays for another try.
        dispatch->Winsock1->setPort(nobody);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(dispatch->Image2, Qt::LeftButton);
        QTRY_COMPARE(MessageBox::count(), 1);
        settle(50);
        status = dispatch->Label1->text();
        openAfterFailure = dispatch->isVisible();
        QTest::mouseClick(dispatch->Image1, Qt::LeftButton);
    });
    QTest::mouseClick(s.w.Command2, Qt::LeftButton);
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Erreur transmission"));
    QCOMPARE(status, QStringLiteral("Connexion en cours"));
    QVERIFY(openAfterFailure);
    s.verifyRebuiltAtTopWithAnswers();
    // Not sent: the answers are still kept.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(s.draftPath()), 1000);
    // The buffer holds the answer text alone.
    QVERIFY(s.w.rtf1->plainText().startsWith(QStringLiteral("1. Oui\r\n2. année\r\n")));
}

void SendCommandTest::unreadableSettingsShowNoWindow()
{
    ShownSheet s;
    feuillep& w = s.w;
    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("PARANET.LST")));
    MessageBox::setNextAnswer(QMessageBox::Yes); // sent blank all the same
    MessageBox::setNextAnswer(QMessageBox::Ok);
    // Should the dispatch window show all the same, it is noted and closed.
    bool appeared = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&appeared] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* e = qobject_cast<Exporter*>(top); e && e->isVisible()) {
                appeared = true;
                e->reject();
            }
        }
    });
    watch.start(20);
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    watch.stop();
    QCOMPARE(MessageBox::count(), 2);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Lecture impossible"));
    QVERIFY(!appeared);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(w.isVisible());
}

void SendCommandTest::aBlankSheetAsksFirst()
{
    // Untouched but for question 2's « année »: asked, « Non » the default,
    // and « Non » neither opens the dispatch window nor prints.
    ShownSheet s;
    for (QPushButton* command : {s.w.Command2, s.w.Command1}) {
        bool opened = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        watch.start(20);
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(command, Qt::LeftButton);
        watch.stop();
        QVERIFY(!opened);
        QCOMPARE(MessageBox::last().defaultButton, QMessageBox::No);
        QCOMPARE(MessageBox::last().text,
                 command == s.w.Command2
                     ? QStringLiteral("Vous n'avez répondu à aucune question. Envoyer quand même ?")
                     : QStringLiteral("Vous n'avez répondu à aucune question. Imprimer quand même ?"));
    }
    QCOMPARE(MessageBox::count(), 2);
    // One answer is enough to go without a question.
    s.w.Check1(21)->click();
    onNextModal([](QWidget* modal) { modal->close(); });
    QTest::mouseClick(s.w.Command1, Qt::LeftButton);
    QCOMPARE(MessageBox::count(), 2);
}

QTEST_MAIN(SendCommandTest)
#include "tst_sendcommand.moc"
