// The pictures at both drawings: the usual one, 32 x 32, and the one for
// screens of two device pixels to the pixel, drawn again at 64 x 64.
#include "ui/pictures.h"

#include <QtTest>

using pictures::Name;

class tst_pictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sizes_data();
    void sizes();
    void finerDrawingOfTheSamePicture_data() { sizes_data(); }
    void finerDrawingOfTheSamePicture();
    void iconAndCursorCarryBoth();
};

void tst_pictures::sizes_data()
{
    // Whether the picture has curves or slants, which a finer drawing rounds.
    QTest::addColumn<Name>("name");
    QTest::addColumn<bool>("slanted");
    QTest::newRow("close") << Name::Close << true;
    QTest::newRow("sheet") << Name::Sheet << true;
    QTest::newRow("hand") << Name::Hand << true;
    QTest::newRow("cancel") << Name::Cancel << true;
    QTest::newRow("computers") << Name::Computers << false;
    QTest::newRow("telephone") << Name::Telephone << true;
}

void tst_pictures::sizes()
{
    QFETCH(Name, name);
    const QPixmap single = pictures::pixmap(name, 1);
    QCOMPARE(single.size(), QSize(32, 32));
    QCOMPARE(single.devicePixelRatio(), 1.0);
    for (qreal ratio : {1.5, 2.0, 3.0}) {
        const QPixmap twice = pictures::pixmap(name, ratio);
        QCOMPARE(twice.size(), QSize(64, 64));
        QCOMPARE(twice.deviceIndependentSize(), QSizeF(32, 32));
    }
}

// Each pixel of the 32 x 32 drawing has its colour in the block of four that
// covers it in the finer one, nearly everywhere (edges may fall either way);
// and where the picture has curves or slants, the finer drawing is more than
// the usual one magnified (square lines come out the same either way).
void tst_pictures::finerDrawingOfTheSamePicture()
{
    QFETCH(Name, name);
    QFETCH(bool, slanted);
    const QImage single =
        pictures::pixmap(name, 1).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage twice = pictures::pixmap(name, 2).toImage().convertToFormat(QImage::Format_ARGB32);
    int matching = 0;
    int ink = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = single.pixel(x, y);
            ink += qAlpha(c) > 0;
            bool found = false;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    found |= twice.pixel(2 * x + dx, 2 * y + dy) == c;
            matching += found;
        }
    }
    QVERIFY(ink > 100);
    QVERIFY2(matching >= 32 * 32 * 97 / 100, qPrintable(QString::number(matching)));
    const QImage magnified = single.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QCOMPARE(twice != magnified, slanted);
}

void tst_pictures::iconAndCursorCarryBoth()
{
    const QIcon icon = pictures::icon(Name::Sheet);
    QCOMPARE(icon.pixmap(QSize(32, 32), 1.0).size(), QSize(32, 32));
    QCOMPARE(icon.pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
    for (qreal ratio : {1.0, 2.0}) {
        const QCursor hand = pictures::hand(ratio);
        QCOMPARE(hand.shape(), Qt::BitmapCursor);
        QCOMPARE(hand.hotSpot(), QPoint(12, 1));
        QCOMPARE(hand.pixmap().deviceIndependentSize(), QSizeF(32, 32));
    }
}

QTEST_MAIN(tst_pictures)
#include "tst_pictures.moc"
