#include "sheet/page.h"

#include "sheet/pageaccessible.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

Page::Page(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(pageAccessible), true);
    Q_UNUSED(factoryInstalled)
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Page::clear()
{
    m_surface = QImage();
    m_printed.clear();
    m_x = 0;
    m_y = 0;
}

void Page::setColours(const QColor& text, const QColor& background)
{
    m_text = text;
    m_background = background;
    if (!m_surface.isNull())
        m_surface.fill(background);
}

int Page::textWidth(const QString& text) const
{
    return QFontMetrics(m_font, this).horizontalAdvance(text);
}

int Page::textHeight(const QString& text) const
{
    // Texts are single lines: the height of any is the line's.
    Q_UNUSED(text);
    return QFontMetrics(m_font, this).height();
}

// The image grows when the drawing goes below it, so that nothing drawn is
// lost even when the content outgrows the height the page had at the time.
void Page::makeRoom(int bottom)
{
    const int w = qMax(width(), 1);
    const int h = qMax(qMax(height(), bottom), 1);
    if (!m_surface.isNull() && int(m_surface.deviceIndependentSize().width()) >= w &&
        int(m_surface.deviceIndependentSize().height()) >= h)
        return;
    const qreal ratio = devicePixelRatioF();
    QImage image(QSize(w, h) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    // Points convert at the screen's resolution, as on the widget itself.
    image.setDotsPerMeterX(int(std::lround(logicalDpiX() / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(logicalDpiY() / 0.0254)));
    image.fill(m_background);
    if (!m_surface.isNull()) {
        QPainter painter(&image);
        painter.drawImage(QPointF(0, 0), m_surface);
    }
    m_surface = image;
}

void Page::print(const QString& text)
{
    const QFontMetrics metrics(m_font, this);
    makeRoom(int(std::ceil(m_y)) + metrics.height());
    QPainter painter(&m_surface);
    painter.setFont(m_font);
    painter.setPen(m_text);
    // On the same whole pixel as a control placed at this line's Y.
    const int top = int(std::floor(m_y + 0.5));
    painter.drawText(QPointF(m_x, top + metrics.ascent()), text);
    m_printed.push_back(
        {text, QRect(int(std::floor(m_x)), top, metrics.horizontalAdvance(text), metrics.height()),
         m_font});
    m_x += metrics.horizontalAdvance(text);
}

void Page::printLine(const QString& text)
{
    print(text);
    endLine();
}

void Page::endLine()
{
    m_y += QFontMetrics(m_font, this).height();
    m_x = 0;
}

void Page::centre(const QString& text)
{
    m_x = (innerWidth() - textWidth(text)) / 2.0;
    printLine(text);
}

void Page::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background);
    if (!m_surface.isNull())
        painter.drawImage(event->rect(), m_surface,
                          QRectF(QRectF(event->rect()).topLeft() * m_surface.devicePixelRatio(),
                                 QSizeF(event->rect().size()) * m_surface.devicePixelRatio()));
}
