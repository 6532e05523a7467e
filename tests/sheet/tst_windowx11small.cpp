// The sheet window on a real X server 800 pixels wide, first with no window
// manager, then under one (openbox): the window rule maximises it, whatever
// the user does, without the rule and the window manager answering each
// other for ever.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "support/xvfb.h"
#include "windowmanager.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using testing::frame;

namespace
{
class ResizeCounter : public QObject
{
public:
    int resizes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        resizes += event->type() == QEvent::Resize;
        return false;
    }
};

void checkMaximised(feuillep& w)
{
    QTRY_COMPARE_WITH_TIMEOUT(frame(w), QRect(0, 0, 800, 600), 5000);
    QCOMPARE(w.windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
    QCOMPARE(w.P1->geometry(), QRect(30, 57, w.width() - 17 - 60, w.P1->height()));
    QCOMPARE(w.VScroll1->geometry(), QRect(w.width() - 17, 57, 17, w.height() - 57));
    QCOMPARE(w.VScroll1->value(), -57);
    // Built for this client area: centred boxes, the page's bottom reachable.
    QVERIFY(qAbs(w.t1(9)->x() - (w.P1->width() - w.t1(9)->width()) / 2.0) <= 0.5);
    QCOMPARE(w.VScroll1->maximum(), w.P1->height() - w.height());
}

void restoreAndMinimise(feuillep& w)
{
    ResizeCounter counter;
    w.installEventFilter(&counter);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    checkMaximised(w);
    for (int change = 0; change < 2; ++change) {
        w.VScroll1->setValue(300);
        change == 0 ? w.showNormal() : w.showMinimized();
        QTest::qWait(500);
        checkMaximised(w);
    }
    // Settled: nothing is resizing the window any more.
    const int settled = counter.resizes;
    QTest::qWait(500);
    QCOMPARE(counter.resizes, settled);
}
} // namespace

class WindowX11SmallTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void maximisedOn800x600();
    void maximisedUnderAWindowManager();
};

void WindowX11SmallTest::maximisedOn800x600()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    restoreAndMinimise(w);
    QCOMPARE(w.size(), QSize(800, 600));
}

void WindowX11SmallTest::maximisedUnderAWindowManager()
{
    QVERIFY2(testing::startWindowManager(), "openbox did not frame a window");
    QTemporaryDir dir;
    feuillep w(dir.path());
    restoreAndMinimise(w);
    QVERIFY(w.height() < 600); // the title bar takes its share
}

QTEST_XVFB_MAIN(WindowX11SmallTest, 800, 600)
#include "tst_windowx11small.moc"
