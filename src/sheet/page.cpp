#include "sheet/page.h"

#include "sheet/pageaccessible.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

Page::Page(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(pageAccessible), true);
    Q_UNUSED(factoryInstalled)
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::vector<Page::Printed> Page::printed() const
{
    std::vector<Printed> pieces;
    pieces.reserve(m_texts.size());
    for (const Text& t : m_texts)
        pieces.push_back({t.text, t.box, m_fonts[size_t(t.font)]});
    return pieces;
}

QImage Page::toImage() const
{
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    // Points convert at the screen's resolution, as on the widget itself.
    image.setDotsPerMeterX(int(std::lround(logicalDpiX() / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(logicalDpiY() / 0.0254)));
    QPainter painter(&image);
    paint(painter, image.rect());
    return image;
}

void Page::clear()
{
    m_texts.clear();
    m_fonts.clear();
    ++m_drawing;
    m_x = 0;
    m_y = 0;
    update();
}

void Page::setColours(const QColor& text, const QColor& background)
{
    m_text = text;
    // A new background covers what was drawn, as on a surface filled anew.
    m_background = background;
    m_texts.clear();
    update();
}

void Page::setPageFont(const QFont& font)
{
    if (font == m_font)
        return;
    m_font = font;
    m_metrics.reset();
}

const QFontMetrics& Page::metrics() const
{
    if (!m_metrics)
        m_metrics.emplace(m_font, const_cast<Page*>(this));
    return *m_metrics;
}

int Page::textWidth(const QString& text) const
{
    return metrics().horizontalAdvance(text);
}

int Page::textHeight(const QString& text) const
{
    // Texts are single lines: the height of any is the line's.
    Q_UNUSED(text);
    return metrics().height();
}

void Page::print(const QString& text)
{
    const QFontMetrics& m = metrics();
    const int advance = m.horizontalAdvance(text);
    if (m_fonts.empty() || m_fonts.back() != m_font)
        m_fonts.push_back(m_font);
    // On the same whole pixel as a control placed at this line's Y.
    const QPointF baseline(m_x, std::floor(m_y + 0.5) + m.ascent());
    // Letters may reach a little past their advance and their line; half a
    // line of room each way is plenty and costs nothing when nothing is there.
    const int room = m.height() / 2 + 1;
    const QRect reach(int(std::floor(m_x)) - room, int(baseline.y()) - m.ascent() - room,
                      advance + 2 * room + 1, m.height() + 2 * room);
    const QRect box(int(std::floor(m_x)), int(baseline.y()) - m.ascent(), advance, m.height());
    m_texts.push_back({baseline, text, int(m_fonts.size()) - 1, m_text, reach, box});
    update(reach);
    m_x += advance;
}

void Page::printLine(const QString& text)
{
    print(text);
    endLine();
}

void Page::endLine()
{
    m_y += metrics().height();
    m_x = 0;
}

void Page::centre(const QString& text)
{
    m_x = (innerWidth() - textWidth(text)) / 2.0;
    printLine(text);
}

void Page::paint(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, m_background);
    int font = -1;
    for (const Text& t : m_texts) {
        if (!t.reach.intersects(area))
            continue;
        if (t.font != font) {
            font = t.font;
            painter.setFont(m_fonts[font]);
        }
        painter.setPen(t.colour);
        painter.drawText(t.baseline, t.text);
    }
}

void Page::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paint(painter, event->rect());
}

void Page::setCoveredAbove(int top)
{
    m_coveredAbove = top;
    cutUnderCover();
}

void Page::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    cutUnderCover();
    // What the move copied under the cover is the cover's to paint again.
    if (parentWidget() && isVisible()) {
        const QRect band(x(), 0, width(), m_coveredAbove);
        for (QWidget* w : parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != this && w->isVisible() && w->geometry().intersects(band))
                w->update(band.translated(-w->pos()));
    }
}

void Page::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    cutUnderCover();
}

void Page::cutUnderCover()
{
    const int hidden = qBound(0, m_coveredAbove - y(), height());
    // An empty mask would mean none: a page wholly under the cover keeps a
    // point outside itself.
    setMask(hidden < height() ? QRegion(0, hidden, width(), height() - hidden)
                              : QRegion(-1, -1, 1, 1));
}
