#pragma once

#include <QColor>
#include <QWidget>

// The banner P2 across the top of the sheet window: a colour gradient with
// the title, which it paints itself, and the close image it holds.  Placing
// the image, keeping the banner in front and its clicks are the sheet
// window's, through the signals below.
class Banner : public QWidget
{
    Q_OBJECT
public:
    explicit Banner(QWidget* parent = nullptr);

    // The banner has no border: its drawing area is the whole widget.
    int innerWidth() const { return contentsRect().width(); }
    int innerHeight() const { return contentsRect().height(); }

Q_SIGNALS:
    // A click on the banner itself, not on the close image it holds.
    void clicked();
    // Emitted from the paint event once the banner is painted.
    void painted();
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Colour of row i of the banner's gradient, for a banner of the given inner
// height: light orange at the top, white at the bottom.
QColor bannerRowColour(int row, double innerHeight);
