#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <optional>
#include <vector>

// The questionnaire page P1: a drawing surface that keeps what is drawn on it,
// so that moving it never draws its content again.  Text is put down at a
// drawing cursor, in pixels from the page's top left corner, and kept as
// text: the drawing weighs what its words weigh, and is drawn at the
// screen's own resolution whatever the scale.
class Page : public QWidget
{
    Q_OBJECT
public:
    explicit Page(QWidget* parent = nullptr);

    // Which drawing the page holds: 0 before the first, then one more at
    // each clear.
    quint64 drawing() const { return m_drawing; }
    // The drawing rendered whole, one image pixel a page pixel.
    QImage toImage() const;

    // Erases the drawing; the cursor goes back to (0, 0).
    void clear();
    void setColours(const QColor& text, const QColor& background);
    void setPageFont(const QFont& font);
    const QFont& pageFont() const { return m_font; }

    // Draws the text at the cursor; the cursor moves to the end of the text.
    void print(const QString& text);
    // Prints the text, then ends the line.
    void printLine(const QString& text);
    // Down by one line of the current font, back to the left edge.
    void endLine();
    // Prints the text centred on the inner width, then ends the line.
    void centre(const QString& text);

    int textWidth(const QString& text) const;
    int textHeight(const QString& text) const;

    double currentX() const { return m_x; }
    double currentY() const { return m_y; }
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    // What has been printed since the page was cleared, piece by piece, for
    // assistive tools: the drawing alone tells them nothing.
    struct Printed {
        QString text;
        QRect rect; // in the page
        QFont font;
    };
    std::vector<Printed> printed() const;

    // The page has no border: both widths are the widget's.
    int innerWidth() const { return contentsRect().width(); }
    int outerWidth() const { return width(); }

    // What lies above `top` in the parent covers the page (the banner): the
    // page shows only below it.  Being cut there rather than lying under the
    // banner, the page moves by copying what it showed, and only the strip
    // it uncovers is drawn.
    void setCoveredAbove(int top);

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Text {
        QPointF baseline;
        QString text;
        int font;
        QColor colour;
        QRect reach; // where its letters may fall
        QRect box;   // its advance and line
    };

    const QFontMetrics& metrics() const;
    void paint(QPainter& painter, const QRect& area) const;
    void cutUnderCover();

    std::vector<Text> m_texts;
    std::vector<QFont> m_fonts; // of the texts
    quint64 m_drawing = 0;
    QFont m_font;
    mutable std::optional<QFontMetrics> m_metrics;
    QColor m_text = Qt::black;
    QColor m_background = Qt::white;
    double m_x = 0;
    double m_y = 0;
    int m_coveredAbove = 0;
};
