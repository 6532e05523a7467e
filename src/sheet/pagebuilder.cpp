#include "sheet/pagebuilder.h"

#include "sheet/page.h"
#include "sheet/sheetfont.h"

#include <cmath>

namespace
{

using pagescript::Op;

// Positions round half up, so that two positions a whole number of pixels
// apart stay that far apart after rounding, whatever the fraction.
int rounded(double v)
{
    return int(std::floor(v + 0.5));
}

} // namespace

PageBuilder::PageBuilder(Page& page, Controls controls)
    : m_page(page), m_controls(std::move(controls))
{
}

void PageBuilder::build(const std::vector<pagescript::Row>& rows)
{
    m_page.clear();
    m_page.setColours(Qt::black, Qt::white);
    m_page.resize(m_page.width(), pagescript::WorkingHeight);
    m_page.setPageFont(sheetfont::make(pagescript::BasePoints));
    for (const pagescript::Row& row : rows) {
        for (const pagescript::Step& step : row)
            run(step);
    }
    m_page.resize(m_page.width(), rounded(m_page.currentY()));
    m_page.update();
}

// One step, with the base font current.
void PageBuilder::run(const pagescript::Step& step)
{
    Page& page = m_page;
    const QFont base = sheetfont::make(pagescript::BasePoints);
    const QString text = QString::fromUtf8(step.text);
    const double x = page.currentX();
    const double y = page.currentY();
    const double h = page.textHeight(QStringLiteral("W"));
    auto heading = [&](bool centred) {
        page.setPageFont(sheetfont::make(pagescript::HeadingPoints, true));
        centred ? page.centre(text) : page.printLine(text);
        page.setPageFont(base);
        page.endLine();
    };

    switch (step.op) {
    case Op::EndLine:
        for (int i = 0; i < step.lines; ++i)
            page.endLine();
        return;
    case Op::HalfStep:
        page.setCurrentY(y + 0.5 * h);
        return;
    case Op::StackStep:
        page.setCurrentY(y + 1.5 * h);
        return;
    case Op::Print:
        page.print(text);
        return;
    case Op::PrintBold:
        page.setPageFont(sheetfont::make(pagescript::BasePoints, true));
        page.print(text);
        page.setPageFont(base);
        return;
    case Op::PrintLine:
        page.printLine(text);
        return;
    case Op::Centre:
        page.centre(text);
        return;
    case Op::Heading:
    case Op::SubHeading:
        heading(step.op == Op::Heading);
        return;
    case Op::Column:
        page.setCurrentX(step.pixels);
        return;
    default:
        break;
    }

    // The remaining steps move a control; one missing is skipped.
    QWidget* c = m_controls(step.kind, step.index);
    if (!c)
        return;
    const int top = rounded(y + pagescript::shift(step.kind));
    switch (step.op) {
    case Op::Place:
        c->move(rounded(x + step.pixels), top);
        break;
    case Op::PlaceAt:
        c->move(step.pixels, top);
        break;
    case Op::Advance:
        page.setCurrentX(x + c->width());
        break;
    case Op::CentreInner:
        c->move(rounded((page.innerWidth() - c->width()) / 2.0), rounded(y + step.pixels));
        break;
    case Op::CentreOuter:
        c->move(rounded((page.outerWidth() - c->width()) / 2.0), rounded(y + step.pixels));
        break;
    case Op::Below:
        page.setCurrentY(y + step.pixels + c->height());
        break;
    case Op::PlaceRight:
        c->move(page.innerWidth() - c->width() - step.pixels, rounded(y));
        break;
    default:
        break;
    }
}
