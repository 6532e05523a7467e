// A screen taller than the page (800 x 3000, maximised by the window rule):
// there is nothing to scroll, and the page stays right under the banner.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "support/xvfb.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

class WindowTallTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pageShorterThanTheWindow();
};

void WindowTallTest::pageShorterThanTheWindow()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(100);
    QCOMPARE(w.height(), 3000);
    QVERIFY(w.P1->height() < w.height());
    // Not a maximum below the minimum, which would push the page down.
    QCOMPARE(w.VScroll1->minimum(), -57);
    QCOMPARE(w.VScroll1->maximum(), -57);
    w.VScroll1->setFocus();
    QTest::keyClick(w.VScroll1, Qt::Key_End);
    QCOMPARE(w.P1->y(), 57);
}

QTEST_XVFB_MAIN(WindowTallTest, 800, 3000)
#include "tst_windowtall.moc"
