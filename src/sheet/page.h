#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <vector>

// The questionnaire page P1: a drawing surface that keeps what is drawn on it
// in an image of its own, so that moving it never redraws its content.  Text
// is put down at a drawing cursor, in pixels from the page's top left corner.
class Page : public QWidget
{
    Q_OBJECT
public:
    explicit Page(QWidget* parent = nullptr);

    const QImage& surface() const { return m_surface; }

    // Erases the drawing; the cursor goes back to (0, 0).
    void clear();
    void setColours(const QColor& text, const QColor& background);
    void setPageFont(const QFont& font) { m_font = font; }
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
    // assistive tools: the image alone tells them nothing.
    struct Printed {
        QString text;
        QRect rect; // in the page
        QFont font;
    };
    const std::vector<Printed>& printed() const { return m_printed; }

    // The page has no border: both widths are the widget's.
    int innerWidth() const { return contentsRect().width(); }
    int outerWidth() const { return width(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void makeRoom(int bottom);

    QImage m_surface;
    QFont m_font;
    QColor m_text = Qt::black;
    QColor m_background = Qt::white;
    double m_x = 0;
    double m_y = 0;
    std::vector<Printed> m_printed;
};
