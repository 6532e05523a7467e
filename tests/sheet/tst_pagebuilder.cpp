// The page-script interpreter on small scripts of its own: where it puts the
// controls, how it moves its cursor, and the page height it leaves.
#include "sheet/page.h"
#include "sheet/pagebuilder.h"
#include "sheet/sheetfont.h"

#include <QTest>

#include <cmath>

using catalogue::Kind;
using pagescript::Op;
using pagescript::Row;
using pagescript::Step;

class PageBuilderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placesControlsAtTheCursor();
    void centresAndStacks();
    void boldTextLeavesTheBaseFont();
};

namespace
{

// A page with one text box t1(0) and one frame, the only controls there are.
struct Fixture {
    QWidget window;
    Page* page = new Page(&window);
    QWidget* text = new QWidget(page);
    QWidget* frame = new QWidget(page);
    Fixture()
    {
        page->resize(600, 100);
        text->resize(80, 18);
        frame->resize(200, 17);
    }
    void build(const std::vector<Row>& rows)
    {
        PageBuilder(*page, [this](Kind kind, int index) -> QWidget* {
            if (kind == Kind::Text && index == 0)
                return text;
            if (kind == Kind::Frame && index == 0)
                return frame;
            return nullptr;
        }).build(rows);
    }
    int lineHeight() const
    {
        return QFontMetrics(sheetfont::make(pagescript::BasePoints), page).height();
    }
};

Step control(Op op, Kind kind, int index, int pixels = 0)
{
    return {op, nullptr, kind, index, 0, pixels};
}

Step endLines(int lines)
{
    Step s{Op::EndLine};
    s.lines = lines;
    return s;
}

} // namespace

void PageBuilderTest::placesControlsAtTheCursor()
{
    Fixture f;
    Step column{Op::Column};
    column.pixels = 100;
    f.build({
        {{Op::Print, "Question "}, control(Op::Place, Kind::Text, 0, 5)},
        {endLines(2)},
        // A control the page does not have is skipped, the rest still runs.
        {control(Op::Place, Kind::Check, 9), column, control(Op::Place, Kind::Frame, 0)},
        {endLines(1)},
    });
    const int h = f.lineHeight();
    const int printed = f.page->textWidth(QStringLiteral("Question "));
    // Text boxes sit 2 pixels above the line, other controls on it.
    QCOMPARE(f.text->pos(), QPoint(printed + 5, -2));
    QCOMPARE(f.frame->pos(), QPoint(100, 2 * h));
    // The page ends where the script did.
    QCOMPARE(f.page->height(), 3 * h);
    QVERIFY(f.page->drawing() != 0);
}

void PageBuilderTest::centresAndStacks()
{
    Fixture f;
    f.build({
        {control(Op::CentreInner, Kind::Text, 0, 4), control(Op::Below, Kind::Text, 0, 4)},
        {control(Op::PlaceRight, Kind::Frame, 0, 150)},
        {control(Op::Advance, Kind::Frame, 0), control(Op::PlaceAt, Kind::Text, 0, 30)},
    });
    // Below: the cursor goes under the box, 4 pixels of gap included.
    QCOMPARE(f.frame->pos(), QPoint(600 - 200 - 150, 4 + 18));
    // Placed at a fixed column whatever the cursor; the box sits 2 pixels up.
    QCOMPARE(f.text->pos(), QPoint(30, 4 + 18 - 2));
    QCOMPARE(f.page->height(), 22);

    Fixture g;
    g.build({{control(Op::CentreInner, Kind::Text, 0, 4)}, {{Op::HalfStep}}});
    QCOMPARE(g.text->pos(), QPoint((600 - 80) / 2, 4));
    QCOMPARE(g.page->height(),
             int(std::floor(0.5 * g.page->textHeight(QStringLiteral("W")) + 0.5)));
}

void PageBuilderTest::boldTextLeavesTheBaseFont()
{
    Fixture f;
    f.build({{{Op::PrintBold, "gras"}, {Op::Print, "maigre"}}});
    // The bold piece is wider than the same text in the base font, and the
    // text after it is back in the base font.
    QCOMPARE(f.page->currentX(),
             double(QFontMetrics(sheetfont::make(pagescript::BasePoints, true), f.page)
                        .horizontalAdvance(QStringLiteral("gras")) +
                    f.page->textWidth(QStringLiteral("maigre"))));
    QVERIFY(!f.page->pageFont().bold());
    QCOMPARE(f.page->pageFont().family(), QStringLiteral("Arial"));
    QCOMPARE(f.page->pageFont().pointSizeF(), 10.0);
}

QTEST_MAIN(PageBuilderTest)
#include "tst_pagebuilder.moc"
