#include "sheet/composebuffer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{

constexpr double IndentDpi = 96; // the indents are pixels of a standard screen

QTextCharFormat charFormat(const ComposeBuffer::Format& f)
{
    QTextCharFormat c;
    c.setFontFamilies({f.fontName});
    c.setFontPointSize(f.points);
    return c;
}

QTextBlockFormat blockFormat(const ComposeBuffer::Format& f, double indentScale)
{
    QTextBlockFormat b;
    b.setAlignment(f.alignment == ComposeBuffer::Alignment::Centre ? Qt::AlignHCenter
                                                                   : Qt::AlignLeft);
    b.setLeftMargin(f.leftIndent * indentScale);
    b.setRightMargin(f.rightIndent * indentScale);
    return b;
}

} // namespace

void ComposeBuffer::clear()
{
    m_runs.clear();
    m_current = Format();
}

void ComposeBuffer::setFontName(const QString& name)
{
    m_current.fontName = name;
}

void ComposeBuffer::setFontSize(double points)
{
    m_current.points = points;
}

void ComposeBuffer::setAlignment(Alignment alignment)
{
    m_current.alignment = alignment;
}

void ComposeBuffer::setIndents(double left, double right)
{
    m_current.leftIndent = left;
    m_current.rightIndent = right;
}

void ComposeBuffer::insert(const QString& text)
{
    if (text.isEmpty())
        return;
    if (!m_runs.empty() && m_runs.back().format == m_current)
        m_runs.back().text += text;
    else
        m_runs.push_back({text, m_current});
}

QString ComposeBuffer::plainText() const
{
    QString text;
    for (const Run& run : m_runs)
        text += run.text;
    return text;
}

std::unique_ptr<QTextDocument> ComposeBuffer::document(QPaintDevice* device) const
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->setDocumentMargin(0);
    doc->setDefaultFont(QFont(Format().fontName));
    if (device)
        doc->documentLayout()->setPaintDevice(device);
    const double scale = device ? device->logicalDpiX() / IndentDpi : 1.0;

    // Like a rich-text box, a paragraph takes the formatting of whatever was
    // put into it last, its end mark included; a new one starts with that.
    QTextCursor cursor(doc.get());
    for (const Run& run : m_runs) {
        const QTextCharFormat chars = charFormat(run.format);
        const QTextBlockFormat block = blockFormat(run.format, scale);
        const QStringList paragraphs = run.text.split(QLatin1String("\r\n"));
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0) {
                cursor.setBlockFormat(block);
                cursor.setBlockCharFormat(chars);
                cursor.insertBlock(block, chars);
            }
            if (!paragraphs[i].isEmpty()) {
                cursor.setBlockFormat(block);
                cursor.setBlockCharFormat(chars);
                cursor.insertText(paragraphs[i], chars);
            }
        }
    }
    return doc;
}

void ComposeBuffer::print(QPrinter* printer, const After& after) const
{
    if (!printer)
        return;
    QPainter painter;
    if (!painter.begin(printer))
        return;
    std::unique_ptr<QTextDocument> doc = document(printer);
    // The painter's origin is the top left of the page area, in device pixels.
    const QRectF area = printer->pageRect(QPrinter::DevicePixel);
    doc->setPageSize(area.size());
    const QAbstractTextDocumentLayout* layout = doc->documentLayout();

    // Line by line rather than page by clipped page: a clipped line would
    // still be in the file, twice, for anyone who copies or searches it.
    // The layout never lets a line cross a page end.  Blank lines never start
    // a page, so trailing ones cannot add an empty sheet.
    int page = 0;
    double textEnd = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        // Where the layout put the block: its lines are relative to this.
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            if (line.textLength() == 0)
                continue;
            const int on = int((origin.y() + line.y()) / area.height());
            for (; page < on; ++page)
                printer->newPage();
            line.draw(&painter, origin - QPointF(0, page * area.height()));
            textEnd = origin.y() + line.y() + line.height() - page * area.height();
        }
    }
    if (after)
        after(painter, textEnd);
    painter.end();
}
