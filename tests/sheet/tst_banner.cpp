// The banner P2: its gradient and title as painted, the close image's place,
// its click, and its place above the scrolling page.
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "shownsheet.h"
#include "ui/imagebutton.h"

#include <QScrollBar>

using namespace testing;

class BannerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void gradientRows();
    void titleAndImageAtEveryWidth();
    void clickAndStacking();
};

void BannerTest::gradientRows()
{
    ShownSheet s;
    const QImage banner = s.w.P2->grab().toImage();
    QCOMPARE(banner.height(), 57);
    // Left edge, clear of the title and the close image.
    QCOMPARE(QColor(banner.pixel(2, 0)), QColor(255, 205, 155));
    QCOMPARE(QColor(banner.pixel(2, 28)), QColor(255, 230, 204));
    QCOMPARE(QColor(banner.pixel(2, 56)), QColor(255, 254, 253));
    for (int y = 1; y < 57; ++y)
        QCOMPARE(banner.pixel(banner.width() - 2, y), banner.pixel(2, y));
    // The last of the 58 lines, row 57, on the banner's lower edge.
    QCOMPARE(bannerRowColour(57, 57), QColor(255, 255, 255));
    // Halves go to the even neighbour: 57/114 × 100 + 155 = 205.
    QCOMPARE(bannerRowColour(57, 114), QColor(255, 230, 205));
}

void BannerTest::titleAndImageAtEveryWidth()
{
    ShownSheet s;
    feuillep& w = s.w;
    QCOMPARE(w.Image1->geometry(), QRect(w.width() - 64, 13, 32, 32)); // (57 - 32) / 2, up
    for (int width : {w.P2->width(), 500}) {
        w.P2->resize(width, 57);
        // One image width before the right edge.
        QCOMPARE(w.Image1->x(), width - 64);
        const QImage banner = w.P2->grab().toImage();
        QRect ink;
        for (int y = 0; y < 57; ++y)
            for (int x = 0; x < w.Image1->x(); ++x)
                if (qGray(banner.pixel(x, y)) < 100)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(ink.width() > 250);
        QVERIFY2(qAbs(ink.center().x() - width / 2.0) <= 3, qPrintable(QString::number(width)));
        QVERIFY(qAbs(ink.center().y() - 28) <= 5);
        // Between the letters the gradient shows: no filled text background.
        const int y = ink.top() + 3;
        int gradient = 0;
        for (int x = ink.left(); x <= ink.right(); ++x)
            gradient += banner.pixel(x, y) == banner.pixel(2, y);
        QVERIFY2(gradient > ink.width() / 3, qPrintable(QString::number(gradient)));
    }
}

void BannerTest::clickAndStacking()
{
    ShownSheet s;
    feuillep& w = s.w;
    w.rtf1->setVisible(true);
    QTest::mouseClick(w.P2, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!w.rtf1->isVisible());
    QVERIFY(w.isVisible());
    // The page scrolled up runs under the banner.
    w.VScroll1->setValue(600);
    QCOMPARE(w.childAt(200, 30), static_cast<QWidget*>(w.P2));
    QCOMPARE(w.childAt(200, 60), static_cast<QWidget*>(w.P1));
    QCOMPARE(QColor(w.grab().toImage().pixel(40, 28)), QColor(255, 230, 204));
}

QTEST_MAIN(BannerTest)
#include "tst_banner.moc"
