// The wheel, the touchpad and the page keys move the page through VScroll1,
// wherever the pointer is over the page; a list without the focus keeps its
// value under the wheel, and text boxes keep their keys.
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>

using namespace testing;

namespace
{

// Brings the control to the middle of the window, so that nothing covers it.
void bringIntoView(feuillep& w, QWidget* control)
{
    w.VScroll1->setValue(control->mapTo(w.P1, QPoint(0, 0)).y() - w.height() / 2);
    QApplication::processEvents();
}

// Turns the wheel with the pointer at `at` (in `over`), delivered as the
// window system does: to the widget under the pointer, which passes on what
// it does not take.  A positive delta turns it away from the user (up).
void wheel(feuillep& w, QWidget* over, QPoint at, int angle, int pixels = 0)
{
    const QPoint inWindow = over->mapTo(&w, at);
    QWidget* target = w.childAt(inWindow);
    QVERIFY(target == over || over->isAncestorOf(target));
    QWheelEvent e(target->mapFrom(&w, inWindow), target->mapToGlobal(target->mapFrom(&w, inWindow)),
                  QPoint(0, pixels), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                  pixels ? Qt::ScrollUpdate : Qt::NoScrollPhase, false,
                  pixels ? Qt::MouseEventSynthesizedBySystem : Qt::MouseEventNotSynthesized);
    QApplication::sendEvent(target, &e);
}

void wheel(feuillep& w, QWidget* over, int angle)
{
    wheel(w, over, over->rect().center(), angle);
}

// One notch of the wheel, as the scroll bar takes it.
int notch(const QScrollBar* bar)
{
    return QApplication::wheelScrollLines() * bar->singleStep();
}

} // namespace

class PageWheelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wheelOverThePage();
    void wheelOverControls();
    void unfocusedListKeepsItsValue();
    void textBoxScrollsItsOwnTextFirst();
    void touchpad();
    void rangeHolds();
    void pageKeys();
    void textBoxesKeepTheirKeys();
};

void PageWheelTest::wheelOverThePage()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    QCOMPARE(bar->value(), bar->minimum());
    // The left margin of the first lines: page, no control.
    const QPoint blank(2, 5);
    QCOMPARE(w.P1->childAt(blank), nullptr);
    wheel(w, w.P1, blank, -120);
    QCOMPARE(bar->value(), bar->minimum() + notch(bar));
    QCOMPARE(w.P1->y(), -bar->value());
    wheel(w, w.P1, QPoint(2, 5 + notch(bar)), -240); // the page moved under the pointer
    QCOMPARE(bar->value(), bar->minimum() + 3 * notch(bar));
    wheel(w, w.P1, QPoint(2, 5 + 3 * notch(bar)), 120);
    QCOMPARE(bar->value(), bar->minimum() + 2 * notch(bar));
    QCOMPARE(w.P1->y(), -bar->value());
}

void PageWheelTest::wheelOverControls()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    w.Command2->setFocus(); // away from every control below
    static_cast<QLineEdit*>(w.t1(3))->setText(QStringLiteral("parce que"));
    const struct {
        const char* what;
        QWidget* control;
    } controls[] = {
        {"option button", w.Option1(0)},
        {"yes/no frame", w.Frame1(4)},
        {"check box", w.Check1(0)},
        {"text box", w.t1(3)},
        {"several-line text box", w.t1(9)},
        {"contact box", w.t1(17)},
        {"button", w.Command1},
        {"list", w.diff(1)},
        {"site list", w.site},
    };
    for (const auto& c : controls) {
        bringIntoView(w, c.control);
        const int before = bar->value();
        // Down, or up where the page is at its end already.
        const int turn = before < bar->maximum() ? -120 : 120;
        wheel(w, c.control, turn);
        QVERIFY2(bar->value() == before + (turn < 0 ? notch(bar) : -notch(bar)), c.what);
        QVERIFY2(w.P1->y() == -bar->value(), c.what);
        wheel(w, c.control, -turn);
        QVERIFY2(bar->value() == before, c.what);
    }
    // Nothing answered on the way.
    QVERIFY(!w.Option1(0)->isChecked() && !w.Option1(1)->isChecked());
    QVERIFY(!w.Check1(0)->isChecked());
    QCOMPARE(w.diff(1)->currentIndex(), -1);
    QCOMPARE(w.site->currentIndex(), -1);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command2));
}

void PageWheelTest::unfocusedListKeepsItsValue()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    QComboBox* list = w.it(0);
    list->setCurrentIndex(2);
    w.Check1(0)->setFocus();
    bringIntoView(w, list);
    int before = bar->value();
    wheel(w, list, -120);
    QCOMPARE(list->currentIndex(), 2);
    QCOMPARE(bar->value(), before + notch(bar));
    QVERIFY(!list->hasFocus()); // the wheel gives it no focus either

    // A list that has the focus is the user's: the wheel changes its choice.
    list->setFocus();
    before = bar->value();
    wheel(w, list, -120);
    QCOMPARE(list->currentIndex(), 3);
    QCOMPARE(bar->value(), before);
}

void PageWheelTest::textBoxScrollsItsOwnTextFirst()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    auto* box = static_cast<QPlainTextEdit*>(w.t1(9));
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << QString::number(i);
    box->setPlainText(lines.join(QLatin1Char('\n')));
    bringIntoView(w, box);
    const QScrollBar* own = box->verticalScrollBar();
    QCOMPARE(own->value(), own->minimum());
    const int before = bar->value();
    QWidget* viewport = box->viewport();
    int turns = 0;
    while (own->value() < own->maximum() && turns < 20) {
        wheel(w, viewport, -120);
        ++turns;
        QCOMPARE(bar->value(), before);
    }
    QCOMPARE(own->value(), own->maximum());
    // At the end of its text, the page goes on.
    wheel(w, viewport, -120);
    QCOMPARE(bar->value(), before + notch(bar));
    QCOMPARE(own->value(), own->maximum());
}

void PageWheelTest::touchpad()
{
    // A touchpad sends many small turns: five of a fifth of a notch make one.
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    bringIntoView(w, w.Check1(5));
    const int before = bar->value();
    for (int i = 0; i < 5; ++i)
        wheel(w, w.Check1(5), w.Check1(5)->rect().center(), -24, -6);
    QCOMPARE(bar->value(), before + notch(bar));
    QCOMPARE(w.P1->y(), -bar->value());
}

void PageWheelTest::rangeHolds()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    wheel(w, w.P1, QPoint(2, 5), 360); // at the top already
    QCOMPARE(bar->value(), bar->minimum());
    QCOMPARE(w.P1->y(), 57);
    bar->setValue(bar->maximum() - 5);
    bringIntoView(w, w.t1(18));
    bar->setValue(bar->maximum() - 5);
    wheel(w, w.t1(18), -120);
    QCOMPARE(bar->value(), bar->maximum());
    // The page's bottom on the client area's bottom, as with the bar itself.
    QCOMPARE(w.P1->geometry().bottom(), w.rect().bottom());
}

void PageWheelTest::pageKeys()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    w.Check1(0)->setFocus();
    QTest::keyClick(w.Check1(0), Qt::Key_PageDown);
    QCOMPARE(bar->value(), bar->minimum() + bar->pageStep());
    QCOMPARE(w.P1->y(), -bar->value());
    QTest::keyClick(w.Check1(0), Qt::Key_PageDown);
    QTest::keyClick(w.Check1(0), Qt::Key_PageUp);
    QCOMPARE(bar->value(), bar->minimum() + bar->pageStep());
    QTest::keyClick(w.Check1(0), Qt::Key_Home);
    QCOMPARE(bar->value(), bar->minimum());
    QCOMPARE(w.P1->y(), 57);
    QTest::keyClick(w.Check1(0), Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(w.P1->geometry().bottom(), w.rect().bottom());
    QVERIFY(!w.Check1(0)->isChecked());

    // From a list and from an option button too; the list keeps its choice.
    w.it(4)->setCurrentIndex(1);
    w.it(4)->setFocus();
    QTest::keyClick(w.it(4), Qt::Key_Home);
    QCOMPARE(bar->value(), bar->minimum());
    QTest::keyClick(w.it(4), Qt::Key_PageDown);
    QCOMPARE(bar->value(), bar->minimum() + bar->pageStep());
    QCOMPARE(w.it(4)->currentIndex(), 1);
    w.Option1(5)->setFocus();
    QTest::keyClick(w.Option1(5), Qt::Key_PageDown, Qt::KeypadModifier);
    QCOMPARE(bar->value(), bar->minimum() + 2 * bar->pageStep());
    QVERIFY(!w.Option1(5)->isChecked());
}

void PageWheelTest::textBoxesKeepTheirKeys()
{
    ShownSheet s;
    feuillep& w = s.w;
    QScrollBar* bar = w.VScroll1;
    auto* line = static_cast<QLineEdit*>(w.t1(0)); // starts with "année"
    line->setFocus();
    line->setCursorPosition(3);
    bar->setValue(bar->minimum() + 40);
    QTest::keyClick(line, Qt::Key_End);
    QCOMPARE(line->cursorPosition(), 5);
    QTest::keyClick(line, Qt::Key_Home);
    QCOMPARE(line->cursorPosition(), 0);
    QTest::keyClick(line, Qt::Key_PageDown);
    QCOMPARE(bar->value(), bar->minimum() + 40);

    auto* box = static_cast<QPlainTextEdit*>(w.t1(9));
    box->setFocus();
    box->setPlainText(QStringLiteral("une\ndeux"));
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_PageDown);
    QTest::keyClick(box, Qt::Key_Home);
    QCOMPARE(bar->value(), bar->minimum() + 40);
    QCOMPARE(box->textCursor().positionInBlock(), 0);
}

QTEST_MAIN(PageWheelTest)
#include "tst_pagewheel.moc"
