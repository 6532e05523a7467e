#include "sheet/banner.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

Banner::Banner(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void Banner::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    const double inner = innerHeight();
    const int rows = int(std::nearbyint(inner)); // halves to even
    // Each row filled as a rectangle, ends included: a line drawn with a pen
    // costs many times more and, above a scale of 1, straddles two rows.
    for (int i = 0; i <= rows; ++i)
        painter.fillRect(QRect(0, i, innerWidth() + 1, 1), bannerRowColour(i, inner));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(27);
    painter.setFont(font);
    const QString title = QStringLiteral("Votre avis nous intéresse");
    const QFontMetricsF metrics(font, this);
    const double x = (innerWidth() - metrics.horizontalAdvance(title)) / 2;
    const double y = (innerHeight() - metrics.height()) / 2;
    // Only the letters are drawn: the gradient shows around them.
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPointF(x, y + metrics.ascent()), title);
    painter.end();
    Q_EMIT painted();
}

void Banner::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

void Banner::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    // A release over the close image reaches here too when the image lets it
    // through; that click belongs to the image.
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(at) && !childAt(at))
        Q_EMIT clicked();
}

QColor bannerRowColour(int row, double innerHeight)
{
    // Halves go to the even neighbour.
    const double share = innerHeight > 0 ? row / innerHeight : 1.0;
    const int blue = int(std::nearbyint(share * 100 + 155));
    const int green = int(std::nearbyint(share * 50 + 205));
    return QColor(255, qBound(0, green, 255), qBound(0, blue, 255));
}
