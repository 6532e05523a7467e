// The sheet window on a real X server with no window manager.
#include "sheet/feuillep.h"
#include "support/xvfb.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

class WindowX11Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void normalWindowCentredOn1024x768();
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

QTEST_XVFB_MAIN(WindowX11Test, 1024, 768)
#include "tst_windowx11.moc"
