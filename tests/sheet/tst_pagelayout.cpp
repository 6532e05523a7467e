// The questionnaire page as built: control positions against the layout,
// page height from the font metrics, and rebuilds that keep the answers.
#include "sheet/banner.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

using namespace testing;

namespace
{

int lineHeight(const feuillep& w, double points, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return QFontMetrics(f, w.P1).height();
}

int widthOf(const feuillep& w, const QString& text, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(10);
    f.setBold(bold);
    return QFontMetrics(f, w.P1).horizontalAdvance(text);
}

// Positions may be half-way between pixels: either neighbour is right.
bool near(int actual, double expected)
{
    return qAbs(actual - expected) <= 0.5;
}

// The first and last columns holding ink between two rows of the drawing.
std::pair<int, int> ink(const QImage& image, int top, int bottom)
{
    int left = image.width(), right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    return {left, right};
}

} // namespace

class PageLayoutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void builtAtItsTopAndAsTallAsItsContent();
    void controlsFollowTheScript();
    void centredItems();
    void controlsLeaveTheTextUncovered();
    void ownModalWindowRebuildsAndKeepsAnswers();
};

void PageLayoutTest::builtAtItsTopAndAsTallAsItsContent()
{
    ShownSheet s;
    feuillep& w = s.w;
    QCOMPARE(w.P2->geometry(), QRect(0, 0, w.width(), 57));
    QCOMPARE(w.P1->geometry().topLeft(), QPoint(30, 57));
    QCOMPARE(w.P1->width(), w.width() - 17 - 60);
    QCOMPARE(w.VScroll1->geometry(), QRect(w.width() - 17, 57, 17, w.height() - 57));
    QCOMPARE(w.VScroll1->minimum(), -57);
    QCOMPARE(w.VScroll1->value(), -57);
    // 123 base lines, 24 half steps, 5 steps of one and a half, 7 heading
    // lines, the 4-pixel gap and the box of question 24.
    const int h = lineHeight(w, 10);
    const double height = 142.5 * h + 7 * lineHeight(w, 12, true) + 4 + w.t1(9)->height();
    QVERIFY2(near(w.P1->height(), height), qPrintable(QString::number(w.P1->height())));
    QCOMPARE(w.VScroll1->maximum(), w.P1->height() - w.height());
    // The closing notice is the last thing drawn, three blank lines up.
    const int end = w.P1->height() - 3 * h;
    QVERIFY(ink(w.P1->toImage(), end - h, end).second > 0);
    QCOMPARE(ink(w.P1->toImage(), end, w.P1->height()).second, -1);
}

void PageLayoutTest::controlsFollowTheScript()
{
    ShownSheet s;
    feuillep& w = s.w;
    const int h = lineHeight(w, 10);
    // Twelve base lines of introduction, then heading A and a blank line.
    const double question1 = 13 * h + lineHeight(w, 12, true);
    QCOMPARE(w.Frame1(0)->x(),
             widthOf(w, "1. Votre lycée possède-t-il au moins une salle de TP informatisée ?"));
    QVERIFY(near(w.Frame1(0)->y(), question1));
    QCOMPARE(w.t1(0)->x(), widthOf(w, "2. Si oui, de quand date l’équipement ? "));
    QVERIFY(near(w.t1(0)->y(), question1 + 1.5 * h - 2));
    QVERIFY(near(w.Frame1(4)->y() - w.it(5)->y(), 1.5 * h + 5)); // questions 14, 15

    // Question 6: fixed label columns; "Vidéos" (it 2) has no difficulty list.
    for (int row = 0; row < 5; ++row)
        QCOMPARE(w.it(row)->x(), 100 + widthOf(w, "Intérêt : "));
    const int difficultyRows[4] = {0, 1, 3, 4};
    for (int d = 0; d < 4; ++d)
        QCOMPARE(w.diff(d)->pos(),
                 QPoint(350 + widthOf(w, "Niveau de difficulté : "), w.it(difficultyRows[d])->y()));
    QCOMPARE(w.it(4)->y() - w.it(0)->y(), 8 * h);
    QCOMPARE(w.t1(2)->x(), widthOf(w, "7. Citez le simulateur que vous trouvez le ") +
                               widthOf(w, "plus", true) + widthOf(w, " intéressant : "));

    // Questions 20 and 26: stacked boxes, the text box after the third.
    const struct {
        const char* text;
        int first, textBox;
    } stacked[] = {{"20. Comment les avez-vous utilisés ? ", 0, 7},
                   {"26. Si vous l'utilisez en TP, est-ce ?   ", 3, 10}};
    for (const auto& q : stacked) {
        const int x = widthOf(w, QString::fromUtf8(q.text));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(w.Check1(q.first + i)->x(), x);
            QVERIFY(near(w.Check1(q.first + i)->y() - w.Check1(q.first)->y(), i * 1.5 * h));
        }
        QCOMPARE(w.t1(q.textBox)->pos(), QPoint(x + 121, w.Check1(q.first + 2)->y() - 2));
    }

    // Question 33: 150 apart from the first box, whatever its width.
    const QPoint first(widthOf(w, "33. Si oui, laquelle ?     "), w.Check1(6)->y());
    QCOMPARE(w.Check1(6)->pos(), first);
    QCOMPARE(w.Check1(7)->pos(), first + QPoint(150, 0));
    QCOMPARE(w.Check1(8)->pos(), first + QPoint(300, 0));
    // Questions 34 and 36: columns 0, 250, 500, then 0, 250 and the text box
    // after "autre. Préciser :" (121 pixels).
    for (const auto& [box, textBox] : {std::pair(9, 13), std::pair(14, 14)}) {
        const int y = w.Check1(box)->y();
        QCOMPARE(w.Check1(box)->pos(), QPoint(0, y));
        QCOMPARE(w.Check1(box + 1)->pos(), QPoint(250, y));
        QCOMPARE(w.Check1(box + 2)->pos(), QPoint(500, y));
        const int second = w.Check1(box + 3)->y();
        QVERIFY(near(second - y, 1.5 * h));
        QCOMPARE(w.Check1(box + 3)->pos(), QPoint(0, second));
        QCOMPARE(w.Check1(box + 4)->pos(), QPoint(250, second));
        QCOMPARE(w.t1(textBox)->pos(), QPoint(250 + 121, second - 2));
    }
    // Question 39: the second box right after the first (161 pixels).
    QCOMPARE(w.Check1(20)->pos(), w.Check1(19)->pos() + QPoint(161, 0));
}

void PageLayoutTest::centredItems()
{
    ShownSheet s;
    feuillep& w = s.w;
    const int width = w.P1->width();
    for (int i : {9, 11, 12, 15})
        QVERIFY2(near(w.t1(i)->x(), (width - w.t1(i)->width()) / 2.0),
                 qPrintable(QString::number(i)));
    const int h = lineHeight(w, 10);
    QVERIFY(near(w.t1(9)->y() - w.t1(8)->y(), 3 * h + 2 + 4)); // 4 below its line
    QCOMPARE(w.Command1->pos(), QPoint(150, w.Command2->y()));
    QCOMPARE(w.Command2->x(), width - w.Command2->width() - 150);
    // The address lines (page lines 4 to 7) and heading A, by their ink.
    const QImage page = w.P1->toImage();
    std::vector<std::pair<int, int>> lines;
    for (int line = 4; line <= 7; ++line)
        lines.push_back(ink(page, line * h, (line + 1) * h));
    lines.push_back(ink(page, 12 * h, 12 * h + lineHeight(w, 12, true)));
    for (const auto& [left, right] : lines) {
        QVERIFY(right - left > 50);
        QVERIFY2(qAbs((left + right) / 2.0 - width / 2.0) <= 3, qPrintable(QString::number(left)));
    }
    QVERIFY(ink(page, h, 2 * h).first <= 2); // the introduction at the left edge
}

void PageLayoutTest::controlsLeaveTheTextUncovered()
{
    ShownSheet s;
    feuillep& w = s.w;
    const QImage page = w.P1->toImage();
    std::vector<QWidget*> controls = {w.Command1, w.Command2, w.site};
    auto add = [&controls](const auto& array) {
        for (int i : array.indices())
            controls.push_back(array(i));
    };
    add(w.t1);
    add(w.Frame1);
    add(w.Check1);
    add(w.it);
    add(w.diff);
    QCOMPARE(int(controls.size()), 3 + 19 + 16 + 23 + 9 + 5);
    for (QWidget* c : controls) {
        const QRect r = c->geometry().intersected(page.rect());
        QVERIFY2(!r.isEmpty(), qPrintable(c->objectName())); // some run past the right edge
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                QVERIFY2(qGray(page.pixel(x, y)) > 200,
                         qPrintable(QStringLiteral("%1 covers text at %2,%3")
                                        .arg(c->objectName())
                                        .arg(x)
                                        .arg(y)));
    }
}

void PageLayoutTest::ownModalWindowRebuildsAndKeepsAnswers()
{
    ShownSheet s;
    feuillep& w = s.w;
    auto positions = [&w] {
        QStringList out;
        for (QWidget* c : w.P1->findChildren<QWidget*>())
            if (!c->objectName().isEmpty())
                out << QStringLiteral("%1 %2,%3").arg(c->objectName()).arg(c->x()).arg(c->y());
        return out;
    };
    const QStringList before = positions();
    const int height = w.P1->height();
    w.t1(2)->setFocus();
    typeText(w.t1(2), QStringLiteral("Pendule élastique"));
    QTest::mouseClick(w.Option1(3), Qt::LeftButton, {}, QPoint(6, 8));
    w.it(0)->setCurrentIndex(2);
    w.Check1(6)->setChecked(true);

    for (int result : {int(QDialog::Accepted), int(QDialog::Rejected)}) {
        w.VScroll1->setValue(400);
        const quint64 drawing = w.P1->drawing();
        QDialog dialog(&w);
        onNextModal([&](QWidget* d) {
            QCOMPARE(w.P1->y(), -400); // untouched while the dialog is open
            static_cast<QDialog*>(d)->done(result);
        });
        QCOMPARE(w.runOwnModal(&dialog), result);
        QVERIFY(w.P1->drawing() != drawing);
        QCOMPARE(w.VScroll1->value(), -57);
        QCOMPARE(w.P1->y(), 57);
        QCOMPARE(positions(), before);
        QCOMPARE(w.P1->height(), height);
    }
    QCOMPARE(qobject_cast<QLineEdit*>(w.t1(2))->text(), QStringLiteral("Pendule élastique"));
    QVERIFY(w.Option1(3)->isChecked());
    QCOMPARE(w.it(0)->currentText(), QStringLiteral("B"));
    QVERIFY(w.Check1(6)->isChecked());
}

QTEST_MAIN(PageLayoutTest)
#include "tst_pagelayout.moc"
