// The whole questionnaire answered, printed and sent with the keyboard alone:
// Tab from control to control, Space, arrows and typing, then the two
// commands, the printer dialogue and the dispatch window's picture buttons,
// up to a real mail server.
#include "dispatch/exporter.h"
#include "smtp/smtpsession.h"
#include "support/smtpsink.h"
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>

using namespace testing;

class KeyboardOnlyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerPrintAndSend();
};

namespace
{

QByteArray settings(const QByteArray& server)
{
    return paranetFile("Clavier", "clavier@lycee.fr", server);
}

void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

// The focused control lies wholly in the client area below the banner: the
// user sees where the keys go.
bool inView(feuillep& w, QWidget* f)
{
    if (!w.P1->isAncestorOf(f))
        return true; // the banner's and the window's own
    const QRect r(f->mapTo(&w, QPoint(0, 0)), f->size());
    return r.top() > w.P2->geometry().bottom() && r.bottom() <= w.rect().bottom();
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    return p.waitForFinished(30000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

} // namespace

void KeyboardOnlyTest::answerPrintAndSend()
{
    SmtpSink sink;
    QVERIFY(sink.start());
    ShownSheet s;
    feuillep& w = s.w;
    writeBytes(s.dir.filePath(QStringLiteral("PARANET.LST")), settings("127.0.0.1"));
    QVERIFY(QTest::qWaitForWindowActive(&w));
    MessageBox::clearNextAnswers();
    MessageBox::reset();

    // Round the whole chain once, answering each control as it comes.
    QSet<QWidget*> visited;
    QWidget* first = nullptr;
    for (int steps = 0; steps < 300; ++steps) {
        press(Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        QVERIFY(f);
        if (f == first)
            break;
        if (!first)
            first = f;
        visited.insert(f);
        QVERIFY2(inView(w, f), qPrintable(f->objectName()));
        if (auto* b = qobject_cast<QRadioButton*>(f)) {
            if (!b->isChecked())
                press(Qt::Key_Space);
        } else if (qobject_cast<QCheckBox*>(f)) {
            press(Qt::Key_Space);
        } else if (qobject_cast<QComboBox*>(f)) {
            press(Qt::Key_Down);
            press(Qt::Key_Down);
        } else if (qobject_cast<QLineEdit*>(f) || qobject_cast<QPlainTextEdit*>(f)) {
            QTest::keyClicks(f, "ok");
        }
    }
    // Every answer control was reached and answered.
    for (int i : w.Check1.indices())
        QVERIFY2(w.Check1(i)->isChecked(), qPrintable(w.Check1(i)->objectName()));
    for (int i : w.t1.indices())
        QVERIFY2(w.t1Text(i).endsWith(QLatin1String("ok")), qPrintable(w.t1(i)->objectName()));
    for (int i : w.it.indices())
        QCOMPARE(w.it(i)->currentIndex(), 1);
    for (int i : w.diff.indices())
        QCOMPARE(w.diff(i)->currentIndex(), 1);
    QCOMPARE(w.site->currentIndex(), 1);
    for (int i : w.Frame1.indices()) {
        bool answered = false;
        for (QRadioButton* b : w.Frame1(i)->findChildren<QRadioButton*>())
            answered |= b->isChecked();
        QVERIFY2(answered, qPrintable(w.Frame1(i)->objectName()));
    }
    QVERIFY(visited.contains(w.Command1) && visited.contains(w.Command2));
    QVERIFY(visited.contains(w.Image1));

    // Print: Tab to the command, Space, and Enter in the printer dialogue.
    const QString pdf = s.dir.filePath(QStringLiteral("réponses.pdf"));
    w.CommonDialog1->setOutputFormat(QPrinter::PdfFormat);
    w.CommonDialog1->setOutputFileName(pdf);
    while (QApplication::focusWidget() != w.Command1 && visited.size() < 400) {
        press(Qt::Key_Tab);
        visited.insert(QApplication::focusWidget());
    }
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1));
    bool printerAsked = false;
    onNextModal([&printerAsked](QWidget* modal) {
        printerAsked = qobject_cast<QPrintDialog*>(modal) != nullptr;
        // Return goes to the dialogue's own focus, its default button acts.
        QWidget* focus = modal->focusWidget();
        QTest::keyClick(focus ? focus : modal, Qt::Key_Return);
    });
    press(Qt::Key_Space);
    QVERIFY(printerAsked);
    const QString printed = pdfText(pdf);
    QVERIFY(printed.contains(QStringLiteral("Nom et prénom : ok")));

    // The window system gives the sheet its activation back, and with it the
    // focus it had: the print command.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1));

    // Send: Tab to the e-mail command, Space, then in the dispatch window Tab
    // past "Annuler" and "Paramètres" to "Expédier", and Space.
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command2));
    QStringList path;
    onNextModal([&path, &sink](QWidget* modal) {
        auto* dispatch = qobject_cast<Exporter*>(modal);
        QVERIFY(dispatch);
        // Should a check fail, the window closes: the test fails, not waits.
        auto closeOnFailure = qScopeGuard([dispatch] { dispatch->reject(); });
        QVERIFY(QTest::qWaitForWindowActive(dispatch));
        // Keys go to the application's focus, which may follow the window's
        // activation a little later on a slow run.
        QTRY_VERIFY(dispatch->isAncestorOf(QApplication::focusWidget()));
        dispatch->Winsock1->setPort(sink.port()); // the product's port 25 is not ours
        dispatch->setClearTextQuestion([](QWidget*) { return true; }); // the sink has no TLS
        for (int i = 0; i < 2; ++i) {
            press(Qt::Key_Tab);
            path << QApplication::focusWidget()->objectName();
        }
        MessageBox::setNextAnswer(QMessageBox::Ok);
        closeOnFailure.dismiss();
        press(Qt::Key_Space);
    });
    press(Qt::Key_Space);
    QCOMPARE(path, QStringList({"Image3", "Image2"}));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Transmission OK"));
    QCOMPARE(sink.delivered(), 1);
    const QString mail = QString::fromLatin1(sink.raw(1)); // Windows-1252
    QVERIFY(mail.contains(QStringLiteral("\r\n2. ok\r\n")));
    QVERIFY(mail.contains(QStringLiteral("Nom et prénom : ok")));
}

QTEST_MAIN(KeyboardOnlyTest)
#include "tst_keyboardonly.moc"
