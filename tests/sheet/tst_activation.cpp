// When the page is built: at the first showing, not when the sheet becomes
// active again after another window or the printer's dialogue.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"

#include <QDialog>
#include <QScrollBar>

using namespace testing;

class ActivationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void builtAtTheFirstShowing();
    void otherActivationsKeepThePage();
};

void ActivationTest::builtAtTheFirstShowing()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    QCOMPARE(w.P1->drawing(), quint64(0));
    w.show();
    QVERIFY(w.P1->drawing() != 0);
    QVERIFY(w.P1->height() > 1500 && w.P1->height() < 2500);
}

void ActivationTest::otherActivationsKeepThePage()
{
    ShownSheet s;
    feuillep& w = s.w;
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.VScroll1->setValue(400);
    const quint64 drawing = w.P1->drawing();
    auto backToTheSheet = [&w] {
        // The window system gives the activation back (offscreen, the test does).
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        settle(50);
    };

    QWidget other; // another window comes to the front, then the sheet again
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    backToTheSheet();
    QCOMPARE(w.P1->y(), -400);
    QCOMPARE(w.P1->drawing(), drawing);

    QDialog printer(&w); // a dialogue not of the program's own
    onNextModal([](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
    printer.exec();
    backToTheSheet();
    QCOMPARE(w.P1->y(), -400);
    QCOMPARE(w.P1->drawing(), drawing);

    // After the program's own window, the build is done once, not again on
    // the activation that follows.
    QDialog dispatch(&w);
    onNextModal([](QWidget* d) { static_cast<QDialog*>(d)->accept(); });
    w.runOwnModal(&dispatch);
    const quint64 rebuilt = w.P1->drawing();
    QVERIFY(rebuilt != drawing);
    w.VScroll1->setValue(400);
    backToTheSheet();
    QCOMPARE(w.P1->y(), -400);
    QCOMPARE(w.P1->drawing(), rebuilt);
}

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
