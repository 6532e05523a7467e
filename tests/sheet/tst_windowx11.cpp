// The sheet window on a real X server 1024 x 768, first with no window
// manager, then under one (openbox): the frame is 800 x 600, centred, and
// every change of size or state ends in that window rule.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "support/xvfb.h"
#include "windowmanager.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using testing::frame;

namespace
{
// Maximise, minimise, drag the border or go full screen, then check the rule.
void changeAndCheck(feuillep& w, int change)
{
    w.VScroll1->setValue(300);
    switch (change) {
    case 0:
        w.showMaximized();
        break;
    case 1:
        w.showMinimized();
        break;
    case 2:
        w.resize(950, 700);
        break;
    case 3:
        w.showFullScreen();
        break;
    }
    QTest::qWait(300); // the window manager answers, and the rule answers it
    QTRY_COMPARE_WITH_TIMEOUT(frame(w), QRect(112, 84, 800, 600), 5000);
    QCOMPARE(w.windowState() & ~Qt::WindowActive, Qt::WindowNoState);
    QVERIFY(w.isVisible());
    // Laid out again for the client area, the page back at its top.
    QCOMPARE(w.P1->geometry(), QRect(30, 57, w.width() - 17 - 60, w.P1->height()));
    QCOMPARE(w.VScroll1->geometry(), QRect(w.width() - 17, 57, 17, w.height() - 57));
    QCOMPARE(w.VScroll1->value(), -57);
}
} // namespace

class WindowX11Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void normalWindowCentredOn1024x768();
    void everyChangeEndsInTheRule_data();
    void everyChangeEndsInTheRule();
    void picturesForReviewers();
    void underAWindowManagerTheFrameIs800x600();
    void underAWindowManagerEveryChangeEndsInTheRule_data();
    void underAWindowManagerEveryChangeEndsInTheRule();
};

void WindowX11Test::normalWindowCentredOn1024x768()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(100);
    QCOMPARE(w.frameGeometry(), QRect(112, 84, 800, 600));
    QVERIFY(!(w.windowState() & Qt::WindowMaximized));
}

void WindowX11Test::everyChangeEndsInTheRule_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("maximise") << 0;
    QTest::newRow("minimise") << 1;
    QTest::newRow("drag the border") << 2;
    QTest::newRow("full screen") << 3;
}

void WindowX11Test::everyChangeEndsInTheRule()
{
    QFETCH(int, change);
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(100);
    changeAndCheck(w, change);
    QCOMPARE(w.size(), QSize(800, 600));
}

// The whole page as built, full height with its controls, and the window at
// the top of the page, for anyone to look at.
void WindowX11Test::picturesForReviewers()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(100);
    QVERIFY(QDir().mkpath(QStringLiteral(TEST_ARTIFACTS_DIR)));
    const QPixmap page = w.P1->grab();
    QCOMPARE(page.height(), w.P1->height());
    QVERIFY(page.save(QStringLiteral(TEST_ARTIFACTS_DIR "/page.png")));
    const QPixmap window = w.grab();
    QCOMPARE(window.size(), QSize(800, 600));
    QVERIFY(window.save(QStringLiteral(TEST_ARTIFACTS_DIR "/window.png")));
}

void WindowX11Test::underAWindowManagerTheFrameIs800x600()
{
    QVERIFY2(testing::startWindowManager(), "openbox did not frame a window");
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The frame arrives after the first layout: the client area shrinks.
    QTRY_COMPARE_WITH_TIMEOUT(frame(w), QRect(112, 84, 800, 600), 5000);
    QVERIFY(w.width() < 800 && w.height() < 600);
    QCOMPARE(w.P1->width(), w.width() - 17 - 60);
    QVERIFY(qAbs(w.t1(9)->x() - (w.P1->width() - w.t1(9)->width()) / 2.0) <= 0.5);
    QCOMPARE(w.VScroll1->maximum(), w.P1->height() - w.height());
    // Once it has settled, moving it by hand leaves it where it was put.
    QTest::qWait(400);
    w.move(50, 40);
    QTest::qWait(300);
    QCOMPARE(frame(w), QRect(50, 40, 800, 600));
}

void WindowX11Test::underAWindowManagerEveryChangeEndsInTheRule_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("maximise") << 0;
    QTest::newRow("minimise") << 1;
    QTest::newRow("drag the border") << 2;
}

void WindowX11Test::underAWindowManagerEveryChangeEndsInTheRule()
{
    QFETCH(int, change);
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE_WITH_TIMEOUT(frame(w), QRect(112, 84, 800, 600), 5000);
    QTest::qWait(200);
    changeAndCheck(w, change);
}

QTEST_XVFB_MAIN(WindowX11Test, 1024, 768)
#include "tst_windowx11.moc"
