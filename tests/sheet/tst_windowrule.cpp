#include "sheet/windowrule.h"

#include <QTest>

class WindowRuleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rule_data();
    void rule();
};

void WindowRuleTest::rule_data()
{
    QTest::addColumn<double>("screenW"); // pixels
    QTest::addColumn<double>("screenH");
    QTest::addColumn<double>("tpp");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<double>("left"); // twips
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");

    QTest::newRow("1024x768") << 1024.0 << 768.0 << 15.0 << false << 1680.0 << 1260.0 << 12000.0
                              << 9000.0;
    QTest::newRow("exactly 850") << 850.0 << 600.0 << 15.0 << true << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("800x600") << 800.0 << 600.0 << 15.0 << true << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("just over 850")
        << 850.2 << 600.0 << 15.0 << false << 376.5 << 0.0 << 12000.0 << 9000.0;
    // 120 dpi: 12 twips a pixel; the window is still 800 x 600 pixels.
    QTest::newRow("1280x1024 at 120 dpi")
        << 1280.0 << 1024.0 << 12.0 << false << 2880.0 << 2544.0 << 9600.0 << 7200.0;
}

void WindowRuleTest::rule()
{
    QFETCH(double, screenW);
    QFETCH(double, screenH);
    QFETCH(double, tpp);
    QFETCH(bool, maximised);
    const WindowRule r = windowRule(screenW * tpp, screenH * tpp, tpp, tpp);
    QCOMPARE(r.maximised, maximised);
    if (maximised)
        return;
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, left);
    QFETCH(double, top);
    QCOMPARE(r.width, width);
    QCOMPARE(r.height, height);
    QCOMPARE(r.left, left);
    QCOMPARE(r.top, top);
}

QTEST_APPLESS_MAIN(WindowRuleTest)
#include "tst_windowrule.moc"
