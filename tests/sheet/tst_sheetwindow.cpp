#include "sheet/banner.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"
#include "support/helpers.h"
#include "ui/imagebutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace testing;

class SheetWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void staticControls();
    void optionButtons();
    void yesNoPairsAreExclusive();
    void checkBoxesAndTextBoxes();
    void answerScales();
    void focusOrder();
    void flagWhileOpenAndAfterClose();
    void flagLeavesOtherBytesAlone();
    void closeImageEndsLikeTheCloseBox();
    void terminationEndsWithoutAsking();
};

void SheetWindowTest::staticControls()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    QCOMPARE(w.windowTitle(), QStringLiteral("Votre avis nous intéresse"));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.P2->height(), 57);
    QCOMPARE(w.VScroll1->width(), 17);
    QCOMPARE(w.Image1->size(), QSize(32, 32));
    QCOMPARE(w.Image1->parentWidget(), w.P2);
    QCOMPARE(w.Image1->toolTip(), QStringLiteral("Fermer"));
    QVERIFY(!w.Image1->pixmap().isNull());
    const QCursor cursor = w.Image1->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(12, 1));
    QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    QCOMPARE(w.Command1->text(), QStringLiteral("Imprimer (pour expédition)"));
    QCOMPARE(w.Command2->text(), QStringLiteral("Envoyer par e-mail"));
    QCOMPARE(w.Command1->size(), QSize(153, 25));
    QCOMPARE(w.Command1->parentWidget(), static_cast<QWidget*>(w.P1));
    // The captions fit their design width in the dialogue font.
    for (QPushButton* b : {w.Command1, w.Command2})
        QVERIFY(QFontMetrics(b->font()).horizontalAdvance(b->text()) <= b->width() - 12);
    QCOMPARE(w.Timer1->interval(), 10);
    QVERIFY(!w.Timer1->isActive());
}

void SheetWindowTest::optionButtons()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    QCOMPARE(w.Option1.count(), 32);
    QCOMPARE(w.Frame1.count(), 16);
    for (int i = 26; i <= 47; ++i) {
        QVERIFY(!w.Option1(i));
        QVERIFY(!w.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(i)));
    }
    // frame, "Oui" button, "Non" button, frame width in pixels
    const int pairs[16][4] = {
        {0, 0, 1, 265},    {1, 3, 2, 265},    {2, 4, 5, 265},    {3, 6, 7, 265},
        {4, 8, 9, 265},    {5, 11, 10, 265},  {6, 12, 13, 233},  {7, 14, 15, 265},
        {8, 17, 16, 233},  {9, 19, 18, 265},  {10, 21, 20, 233}, {11, 22, 23, 233},
        {12, 24, 25, 233}, {13, 49, 48, 265}, {14, 51, 50, 265}, {15, 53, 52, 265}};
    for (const auto& p : pairs) {
        QWidget* frame = w.findChild<QWidget*>(QStringLiteral("Frame1_%1").arg(p[0]));
        QVERIFY(frame);
        QCOMPARE(frame, w.Frame1(p[0]));
        QCOMPARE(frame->size(), QSize(p[3], 17));
        auto* oui = w.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(p[1]));
        auto* non = w.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(p[2]));
        QVERIFY(oui && non);
        QCOMPARE(oui->text(), QStringLiteral("Oui"));
        QCOMPARE(non->text(), QStringLiteral("Non"));
        QCOMPARE(oui->parentWidget(), frame);
        QCOMPARE(non->parentWidget(), frame);
        QCOMPARE(oui->geometry(), QRect(24, 0, 89, 17));
        QCOMPARE(non->geometry(), QRect(144, 0, 89, 17));
        QCOMPARE(oui->font().family(), QStringLiteral("Arial"));
        QCOMPARE(oui->font().pointSizeF(), 9.75);
        QVERIFY(!oui->isChecked() && !non->isChecked());
    }
}

void SheetWindowTest::yesNoPairsAreExclusive()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QTest::mouseClick(w.Option1(3), Qt::LeftButton, {}, QPoint(6, 8)); // question 3, "Oui"
    QVERIFY(w.Option1(3)->isChecked());
    QTest::mouseClick(w.Option1(2), Qt::LeftButton, {}, QPoint(6, 8)); // then "Non"
    QVERIFY(w.Option1(2)->isChecked());
    QVERIFY(!w.Option1(3)->isChecked());
    // Another question keeps its own answer.
    QTest::mouseClick(w.Option1(49), Qt::LeftButton, {}, QPoint(6, 8));
    QVERIFY(w.Option1(49)->isChecked());
    QVERIFY(w.Option1(2)->isChecked());
}

void SheetWindowTest::checkBoxesAndTextBoxes()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    QCOMPARE(w.Check1.count(), 23);
    struct Box {
        int index;
        const char* caption;
        int width;
    };
    const Box boxes[] = {{0, "en classe, avec les élèves", 193},
                         {2, "autre. Préciser :", 121},
                         {3, "à la place de certaines manipulations", 265},
                         {10, "manque d’intérêt", 233},
                         {11, "d’un accès trop difficile", 233},
                         {17, "prix trop élevé", 233},
                         {19, "personnellement", 161},
                         {22, "en classe entière", 137}};
    for (const Box& b : boxes) {
        auto* c = w.findChild<QCheckBox*>(QStringLiteral("Check1_%1").arg(b.index));
        QVERIFY(c);
        QCOMPARE(c->text(), QString::fromUtf8(b.caption));
        QCOMPARE(c->size(), QSize(b.width, 17));
        QVERIFY(!c->isChecked());
        QCOMPARE(c->parentWidget(), static_cast<QWidget*>(w.P1));
    }
    for (int i : {2, 5, 13, 18})
        QCOMPARE(w.Check1(i)->text(), QStringLiteral("autre. Préciser :"));

    QCOMPARE(w.t1.count(), 19);
    auto* first = w.findChild<QLineEdit*>(QStringLiteral("t1_0"));
    QVERIFY(first);
    QCOMPARE(first->text(), QStringLiteral("année"));
    QCOMPARE(first->size(), QSize(81, 18));
    for (int i = 1; i < 19; ++i)
        QCOMPARE(w.t1Text(i), QString());
    for (int i : {9, 17}) {
        auto* box = w.findChild<QPlainTextEdit*>(QStringLiteral("t1_%1").arg(i));
        QVERIFY(box);
        QCOMPARE(box->height(), 59);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    QCOMPARE(w.t1(9)->width(), 689);
    QCOMPARE(w.t1(3)->width(), 633);
    QCOMPARE(w.t1(16)->font().pointSizeF(), 9.75);

    // A several-line box gives its lines with CR LF breaks.
    w.show();
    w.t1(17)->setFocus();
    typeText(w.t1(17), QStringLiteral("Lycée Orbitalis\n75000 Paris"));
    QCOMPARE(w.t1Text(17), QStringLiteral("Lycée Orbitalis\r\n75000 Paris"));
}

void SheetWindowTest::answerScales()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    const QStringList difficulty = {"",       "Très facile", "Facile",
                                    "Normal", "Difficile",   "Très difficile"};
    const QStringList interest = {"", "TB", "B", "AB", "Médiocre"};
    const QStringList site = {"", "très intéressant", "intéressant", "assez intéressant",
                              "pas du tout intéressant"};
    auto entries = [](QComboBox* c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    };
    QCOMPARE(w.diff.count(), 5);
    QCOMPARE(w.it.count(), 9);
    for (int i = 0; i < 5; ++i) {
        auto* c = w.findChild<QComboBox*>(QStringLiteral("diff_%1").arg(i));
        QVERIFY(c);
        QCOMPARE(entries(c), difficulty);
        QCOMPARE(c->currentText(), QString());
        QCOMPARE(c->currentIndex(), -1);
        QVERIFY(!c->isEditable());
        QCOMPARE(c->size(), QSize(145, 24));
    }
    for (int i = 0; i < 9; ++i) {
        auto* c = w.findChild<QComboBox*>(QStringLiteral("it_%1").arg(i));
        QVERIFY(c);
        QCOMPARE(entries(c), interest);
        QCOMPARE(c->currentIndex(), -1);
        QVERIFY(!c->isEditable());
    }
    auto* s = w.findChild<QComboBox*>(QStringLiteral("site"));
    QVERIFY(s);
    QCOMPARE(entries(s), site);
    QCOMPARE(s->currentIndex(), -1);
    QCOMPARE(s->size(), QSize(201, 24));
}

void SheetWindowTest::focusOrder()
{
    // Tab follows the page: every answer control and both commands once,
    // each below the one before or to its right on the same line.
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.P1->nextInFocusChain(), static_cast<QWidget*>(w.VScroll1));
    QCOMPARE(w.VScroll1->nextInFocusChain(), static_cast<QWidget*>(w.P2));
    const int controls = w.Option1.count() + w.Check1.count() + w.t1.count() + w.it.count() +
                         w.diff.count() + 1 + 2;
    QStringList seen;
    QPoint before(-1, -1);
    for (QWidget* widget = w.P2->nextInFocusChain(); widget != w.Image1; widget = widget->nextInFocusChain()) {
        if (widget->objectName().isEmpty() || widget->focusPolicy() == Qt::NoFocus)
            continue;
        QVERIFY2(!seen.contains(widget->objectName()), qPrintable(widget->objectName()));
        seen << widget->objectName();
        // Lists sit 5 pixels and boxes 2 above the text line they stand on.
        const QPoint at = widget->mapTo(w.P1, QPoint(0, 0));
        const bool sameLine = qAbs(at.y() - before.y()) <= 8;
        QVERIFY2(sameLine ? at.x() > before.x() : at.y() > before.y(),
                 qPrintable(seen.join(QLatin1Char(' ')).right(120)));
        before = at;
    }
    QCOMPARE(seen.size(), controls);
    // Question 6's lists right after question 5, question 25 before 26,
    // the two commands after section F.
    QCOMPARE(seen.indexOf(QStringLiteral("it_0")), seen.indexOf(QStringLiteral("Option1_7")) + 1);
    QCOMPARE(seen.indexOf(QStringLiteral("Check1_3")), seen.indexOf(QStringLiteral("Check1_22")) + 1);
    QCOMPARE(seen.mid(seen.size() - 3), (QStringList{QStringLiteral("t1_18"), QStringLiteral("Command1"),
                                                     QStringLiteral("Command2")}));
}

void SheetWindowTest::flagWhileOpenAndAfterClose()
{
    QTemporaryDir dir;
    const QString flag = dir.filePath(QStringLiteral("TEMPO.SPC"));
    QVERIFY(!QFile::exists(flag));
    {
        feuillep w(dir.path());
        QCOMPARE(w.flagPath(), flag);
        QCOMPARE(readBytes(flag).mid(FlagOffset), FlagOui);
        w.show();
        QVERIFY(w.close());
        QCOMPARE(readBytes(flag).mid(FlagOffset), FlagNon);
    }
    // A directory that already ends with its separator.
    feuillep again(dir.path() + QLatin1Char('/'));
    QCOMPARE(again.flagPath(), flag);
    QCOMPARE(readBytes(flag).mid(FlagOffset), FlagOui);
}

void SheetWindowTest::flagLeavesOtherBytesAlone()
{
    QTemporaryDir dir;
    const QString flag = dir.filePath(QStringLiteral("TEMPO.SPC"));
    QByteArray before(4000, '\0');
    for (int i = 0; i < before.size(); ++i)
        before[i] = char((i * 37 + 11) & 0xFF);
    writeBytes(flag, before);
    auto outsideRecord = [](const QByteArray& b) {
        return b.left(FlagOffset) + b.mid(FlagOffset + 5);
    };
    feuillep w(dir.path());
    QByteArray now = readBytes(flag);
    QCOMPARE(now.size(), before.size());
    QCOMPARE(now.mid(FlagOffset, 5), FlagOui);
    QCOMPARE(outsideRecord(now), outsideRecord(before));
    w.close();
    now = readBytes(flag);
    QCOMPARE(now.size(), before.size());
    QCOMPARE(now.mid(FlagOffset, 5), FlagNon);
    QCOMPARE(outsideRecord(now), outsideRecord(before));
}

void SheetWindowTest::closeImageEndsLikeTheCloseBox()
{
    ShownSheet s;
    feuillep& w = s.w;
    QSignalSpy ended(&w, &feuillep::ended);
    QTest::mouseClick(w.Image1, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
    QVERIFY(!w.isVisible());
    QCOMPARE(readBytes(w.flagPath()).mid(FlagOffset), FlagNon);
}

void SheetWindowTest::terminationEndsWithoutAsking()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    QSignalSpy ended(&w, &feuillep::ended);
    w.show();
    w.terminate();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(readBytes(w.flagPath()).mid(FlagOffset), FlagNon);
    // A later close does not run Unload a second time.
    w.close();
    QCOMPARE(ended.count(), 1);
}

QTEST_MAIN(SheetWindowTest)
#include "tst_sheetwindow.moc"
