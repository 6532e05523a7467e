// The keeper of the window rule against a window system that undoes it: it
// corrects a few times, then gives up until the rule has held once.
#include "sheet/windowrule.h"
#include "sheet/windowrulekeeper.h"

#include <QTest>
#include <QWidget>

class WindowRuleKeeperTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void correctionBudget();
};

void WindowRuleKeeperTest::correctionBudget()
{
    QWidget w;
    w.resize(100, 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* keeper = new WindowRuleKeeper(&w);
    // A window manager that insists: every correction is undone at once,
    // here by never correcting at all.
    int undone = 0;
    connect(keeper, &WindowRuleKeeper::undone, this, [&] {
        ++undone;
        keeper->watch();
    });
    const int checks = WindowRuleKeeper::MaxCorrections + 3;

    keeper->watch();
    QTRY_COMPARE_WITH_TIMEOUT(undone, WindowRuleKeeper::MaxCorrections,
                              checks * WindowRuleKeeper::CheckMs * 4);
    QTest::qWait(3 * WindowRuleKeeper::CheckMs);
    QCOMPARE(undone, WindowRuleKeeper::MaxCorrections);

    // Once the rule has held, the next undoing gets a full budget again.
    keeper->apply();
    keeper->watch();
    QTest::qWait(2 * WindowRuleKeeper::CheckMs);
    QCOMPARE(undone, WindowRuleKeeper::MaxCorrections);
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(10, 10, 100, 100);
    keeper->watch();
    QTRY_COMPARE_WITH_TIMEOUT(undone, 2 * WindowRuleKeeper::MaxCorrections,
                              checks * WindowRuleKeeper::CheckMs * 4);
    QTest::qWait(3 * WindowRuleKeeper::CheckMs);
    QCOMPARE(undone, 2 * WindowRuleKeeper::MaxCorrections);
}

QTEST_MAIN(WindowRuleKeeperTest)
#include "tst_windowrulekeeper.moc"
