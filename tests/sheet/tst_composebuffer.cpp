#include "sheet/composebuffer.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using Align = ComposeBuffer::Alignment;

class ComposeBufferTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void plainTextIsWhatWasInserted();
    void earlierRunsKeepTheirFormatting();
    void paragraphsTakeTheirAlignment();
    void sizesShowInTheLayout();
};

void ComposeBufferTest::plainTextIsWhatWasInserted()
{
    ComposeBuffer b;
    b.clear();
    b.insert(QStringLiteral("a"));
    b.insert(QStringLiteral("b"));
    QCOMPARE(b.plainText(), QStringLiteral("ab"));

    // Nothing is normalised: lone CR or LF, tabs, trailing spaces stay.
    b.setFontSize(18);
    b.insert(QStringLiteral("\r\n \t\n\r  "));
    b.insert(QString());
    QCOMPARE(b.plainText(), QStringLiteral("ab\r\n \t\n\r  "));

    // Clearing empties it and brings back Arial 10, left, no indents.
    b.setFontName(QStringLiteral("Courier"));
    b.setAlignment(Align::Centre);
    b.setIndents(50, 50);
    b.clear();
    QCOMPARE(b.plainText(), QString());
    b.insert(QStringLiteral("x"));
    QCOMPARE(b.runs().size(), size_t(1));
    const ComposeBuffer::Format& f = b.runs()[0].format;
    QVERIFY(f.fontName == QStringLiteral("Arial") && f.points == 10 && f.alignment == Align::Left);
    QVERIFY(f.leftIndent == 0 && f.rightIndent == 0);
}

void ComposeBufferTest::earlierRunsKeepTheirFormatting()
{
    ComposeBuffer b;
    b.setFontName(QStringLiteral("Arial"));
    b.setFontSize(18);
    b.setAlignment(Align::Centre);
    b.insert(QStringLiteral("grand"));
    b.setFontSize(10);
    b.insert(QStringLiteral("petit"));
    b.setFontName(QStringLiteral("Courier"));
    b.setAlignment(Align::Left);
    b.insert(QStringLiteral("fixe"));

    QCOMPARE(b.runs().size(), size_t(3));
    QCOMPARE(b.runs()[0].format.points, 18.0);
    QCOMPARE(b.runs()[0].format.alignment, Align::Centre);
    QCOMPARE(b.runs()[1].format.points, 10.0);
    QCOMPARE(b.runs()[1].format.fontName, QStringLiteral("Arial"));

    // The same holds in the laid-out document.
    QImage device(10, 10, QImage::Format_RGB32);
    const auto doc = b.document(&device);
    QTextBlock block = doc->begin();
    QCOMPARE(block.text(), QStringLiteral("grandpetitfixe"));
    QList<QTextLayout::FormatRange> ranges = block.textFormats();
    QCOMPARE(ranges.size(), 3);
    QCOMPARE(ranges[0].length, 5);
    QCOMPARE(ranges[0].format.fontPointSize(), 18.0);
    QCOMPARE(ranges[1].format.fontPointSize(), 10.0);
    QCOMPARE(ranges[2].format.fontFamilies().toStringList(), QStringList{"Courier"});
}

void ComposeBufferTest::paragraphsTakeTheirAlignment()
{
    ComposeBuffer b;
    b.setFontSize(18);
    b.setAlignment(Align::Centre);
    b.insert(QStringLiteral("Titre\r\n"));
    b.setFontSize(10);
    b.insert(QStringLiteral("\r\n"));
    b.setAlignment(Align::Left);
    b.insert(QStringLiteral("gauche\r\n\r\n"));
    b.setAlignment(Align::Centre);
    b.insert(QStringLiteral("centre 1\r\ncentre 2\r\n"));
    b.setAlignment(Align::Left);
    b.insert(QStringLiteral("fin"));

    QImage device(10, 10, QImage::Format_RGB32);
    const auto doc = b.document(&device);
    const QStringList texts = {"Titre", "", "gauche", "", "centre 1", "centre 2", "fin"};
    const QList<bool> centred = {true, true, false, false, true, true, false};
    QCOMPARE(doc->blockCount(), texts.size());
    int i = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++i) {
        QCOMPARE(block.text(), texts[i]);
        const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        QCOMPARE(a == Qt::AlignHCenter, centred[i]);
    }
    // The empty line after the title is a 10-point line, not an 18-point one.
    QCOMPARE(doc->begin().next().charFormat().fontPointSize(), 10.0);
}

void ComposeBufferTest::sizesShowInTheLayout()
{
    ComposeBuffer b;
    b.setFontSize(18);
    b.insert(QStringLiteral("Grand\r\n\r\n"));
    b.setFontSize(10);
    b.insert(QStringLiteral("\r\nPetit\r\n"));

    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780); // 96 dpi
    device.setDotsPerMeterY(3780);
    const auto doc = b.document(&device);
    doc->setTextWidth(600);
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const QTextBlock big = doc->begin();
    const QTextBlock bigEmpty = big.next();
    const QTextBlock smallEmpty = bigEmpty.next();
    const QTextBlock small = smallEmpty.next();
    const double h18 = layout->blockBoundingRect(big).height();
    const double h10 = layout->blockBoundingRect(small).height();
    // Line heights go with the point size (18/10), within rounding.
    QVERIFY2(h18 / h10 > 1.5 && h18 / h10 < 2.1, qPrintable(QString::number(h18 / h10)));
    QCOMPARE(layout->blockBoundingRect(bigEmpty).height(), h18);
    QCOMPARE(layout->blockBoundingRect(smallEmpty).height(), h10);
}

QTEST_MAIN(ComposeBufferTest)
#include "tst_composebuffer.moc"
