#pragma once

#include "sheet/sheetfont.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QPrinter;
class QTextDocument;

// rtf1: the hidden composition buffer of the sheet window, where the printed
// document and the mailed answer text are put together.  Never shown.
//
// It holds runs of text, each with the formatting that was current when it
// was inserted; text is only ever added at the end.  CR LF ends a paragraph.
class ComposeBuffer
{
public:
    enum class Alignment { Left, Centre };

    struct Format {
        QString fontName = QLatin1String(sheetfont::Family);
        double points = 10;
        Alignment alignment = Alignment::Left;
        // Paragraph indents, in pixels of a 96-dpi screen (the sheet's unit).
        double leftIndent = 0;
        double rightIndent = 0;
        bool operator==(const Format& o) const
        {
            return fontName == o.fontName && points == o.points && alignment == o.alignment &&
                   leftIndent == o.leftIndent && rightIndent == o.rightIndent;
        }
    };

    struct Run {
        QString text;
        Format format;
    };

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

    // Empties the text; the current formatting returns to the defaults above.
    void clear();

    // What is inserted next takes these; text already there keeps its own.
    void setFontName(const QString& name);
    void setFontSize(double points);
    void setAlignment(Alignment alignment);
    void setIndents(double left, double right);

    void insert(const QString& text);

    // Every inserted string, in order and unchanged.
    QString plainText() const;
    const std::vector<Run>& runs() const { return m_runs; }

    // The content as a document laid out for `device` (fonts resolved at its
    // resolution, indents scaled to it).  A paragraph takes the alignment and
    // indents of the last run that adds to it.
    std::unique_ptr<QTextDocument> document(QPaintDevice* device) const;

    // Prints the whole content on the printer's page area, over as many pages
    // as it needs; no header, footer or page number.  A printer that cannot
    // start prints nothing.  `after`, when given, prints more on the same
    // painter: it is told where the text ended on the last page (device
    // pixels from the page area's top).
    using After = std::function<void(QPainter& painter, double textEnd)>;
    void print(QPrinter* printer, const After& after = {}) const;

private:
    std::vector<Run> m_runs;
    Format m_current;
    bool m_visible = false;
};
