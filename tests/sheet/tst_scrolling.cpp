// Scrolling the page with VScroll1: arrows, track, keys, dragging the thumb
// (the page follows at most once per Timer1 tick), the range, the 16-bit
// rule, and the keyboard focus brought into view.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "sheet/pagescript.h"
#include "shownsheet.h"

#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTimer>

using namespace testing;

namespace
{

QPoint centreOf(QScrollBar* bar, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = Qt::Vertical;
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar).center();
}

class MoveCounter : public QObject
{
public:
    int moves = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        moves += event->type() == QEvent::Move;
        return false;
    }
};

} // namespace

class ScrollingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arrowsTrackAndKeys();
    void dragFollowsAtMostOncePerTick();
    void scrollingNeverRedrawsThePage();
    void aStepDrawsOnlyTheStripItUncovers();
    void everyResizeGoesBackToTheTop();
    void sixteenBitValues();
    void tabBringsTheControlIntoView();
};

void ScrollingTest::arrowsTrackAndKeys()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    auto click = [bar](QStyle::SubControl part) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, centreOf(bar, part));
    };
    click(QStyle::SC_ScrollBarSubLine); // already at the top
    QCOMPARE(w.P1->y(), 57);
    click(QStyle::SC_ScrollBarAddLine);
    QCOMPARE(w.P1->y(), 47);
    click(QStyle::SC_ScrollBarAddPage);
    QCOMPARE(w.P1->y(), -53);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_PageDown);
    QTest::keyClick(bar, Qt::Key_Down);
    QCOMPARE(w.P1->y(), -163);
    // At the maximum the page's bottom lies on the client area's bottom.
    QTest::keyClick(bar, Qt::Key_End);
    QCOMPARE(w.P1->y() + w.P1->height(), w.height());
    click(QStyle::SC_ScrollBarAddLine);
    QCOMPARE(w.P1->y() + w.P1->height(), w.height());
}

void ScrollingTest::dragFollowsAtMostOncePerTick()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    MoveCounter counter;
    w.P1->installEventFilter(&counter);
    QSignalSpy ticks(w.Timer1, &QTimer::timeout);
    QSignalSpy notifications(bar, &QScrollBar::sliderMoved);

    const QPoint grip = centreOf(bar, QStyle::SC_ScrollBarSlider);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    for (int i = 1; i <= 20; ++i)
        QTest::mouseMove(bar, grip + QPoint(0, 5 * i));
    QVERIFY(notifications.count() >= 10);
    QVERIFY2(
        counter.moves <= ticks.count(),
        qPrintable(QStringLiteral("%1 moves, %2 ticks").arg(counter.moves).arg(ticks.count())));
    QVERIFY(ticks.count() < notifications.count());
    // Within a tick the page has caught up with the thumb; the timer stops.
    QTRY_COMPARE_WITH_TIMEOUT(w.P1->y(), -bar->value(), 500);
    QVERIFY(bar->value() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!w.Timer1->isActive(), 500);

    QTest::mouseMove(bar, grip + QPoint(0, 150));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(0, 150));
    QCOMPARE(w.P1->y(), -bar->value());
}

void ScrollingTest::scrollingNeverRedrawsThePage()
{
    ShownSheet s;
    feuillep& w = s.w;
    const quint64 drawing = w.P1->drawing();
    const QImage before = w.P1->grab().toImage();
    for (int v : {300, w.VScroll1->maximum(), -57}) {
        w.VScroll1->setValue(v);
        settle(20);
    }
    QCOMPARE(w.P1->drawing(), drawing);
    QCOMPARE(w.P1->grab().toImage(), before);
}

// Sums the area of the page's paint events.
struct PaintedArea : QObject {
    qint64 area = 0;
    explicit PaintedArea(QWidget* page) { page->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area += qint64(r.width()) * r.height();
        return false;
    }
};

void ScrollingTest::aStepDrawsOnlyTheStripItUncovers()
{
    ShownSheet s;
    feuillep& w = s.w;
    PaintedArea painted(w.P1);
    for (int i = 0; i < 12; ++i) {
        painted.area = 0;
        w.VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle(20);
        QVERIFY(painted.area > 0);
        QVERIFY2(painted.area <= qint64(w.P1->width()) * w.VScroll1->singleStep(),
                 qPrintable(QString::number(painted.area)));
    }
    // What the steps left on screen, copied strip by strip, is what the
    // window drawn anew shows: the page at its place, the banner above it.
    const QImage shown = w.screen()->grabWindow(w.winId()).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
             w.grab().toImage().convertToFormat(QImage::Format_RGB32));
}

void ScrollingTest::everyResizeGoesBackToTheTop()
{
    ShownSheet s;
    feuillep& w = s.w;
    // The offscreen screen is 800 pixels wide: the rule maximises.
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    for (int change = 0; change < 2; ++change) {
        w.VScroll1->setValue(500);
        change == 0 ? w.showNormal() : w.showMinimized();
        settle(100);
        QCOMPARE(w.windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
        QCOMPARE(w.VScroll1->value(), -57);
        QCOMPARE(w.P1->y(), 57);
    }
}

void ScrollingTest::sixteenBitValues()
{
    using pagescript::toInt16;
    QCOMPARE(toInt16(32767.4), std::optional<int>(32767));
    QCOMPARE(toInt16(-32768), std::optional<int>(-32768));
    QCOMPARE(toInt16(2.5), std::optional<int>(2)); // halves to even
    QCOMPARE(toInt16(32767.5), std::optional<int>());
    QCOMPARE(toInt16(-32769), std::optional<int>());
    QCOMPARE(toInt16(1e12), std::optional<int>());
}

void ScrollingTest::tabBringsTheControlIntoView()
{
    ShownSheet s;
    feuillep& w = s.w;
    auto visible = [&w](QWidget* c) {
        const int top = c->mapTo(&w, QPoint(0, 0)).y();
        return top >= 57 && top + c->height() <= w.height();
    };
    // Focus given by the program does not move the page; Tab does.
    w.t1(18)->setFocus(Qt::OtherFocusReason);
    QCOMPARE(w.VScroll1->value(), -57);
    QVERIFY(!visible(w.t1(18)));
    QTest::keyClick(w.t1(18), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1));
    QVERIFY(visible(w.Command1));
    QCOMPARE(w.P1->y(), -w.VScroll1->value());
    w.t1(3)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(w.t1(3), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), w.t1(2));
    QVERIFY(visible(w.t1(2)));
}

QTEST_MAIN(ScrollingTest)
#include "tst_scrolling.moc"
