#include "tallywindows/report.h"

#include "answers/columns.h"
#include "tally/counts.h"

#include "storage/privatefiles.h"
#include "tallywindows/chart.h"

#include <QDate>
#include <QGraphicsScene>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace report
{
namespace
{

constexpr int Margin = 48;    // pixels at the writer's 96 dots an inch

// Lays the report out down the pages.
class Pages
{
public:
    explicit Pages(QPdfWriter* writer) : m_writer(writer), m_painter(writer)
    {
        m_width = m_painter.viewport().width() - 2 * Margin;
        m_bottom = m_painter.viewport().height() - Margin;
        m_y = Margin;
    }
    bool ok() const { return m_painter.isActive(); }
    int width() const { return m_width; }
    QPainter& painter() { return m_painter; }

    // Room for height more, on a new page when this one is full.
    int take(int height)
    {
        keep(height);
        const int at = m_y;
        m_y += height;
        return at;
    }

    // A new page unless height more fits on this one.
    void keep(int height)
    {
        if (m_y + height > m_bottom && m_y > Margin) {
            m_writer->newPage();
            m_y = Margin;
        }
    }

    void text(const QString& s, const QFont& font, int gapAfter = 4)
    {
        m_painter.setFont(font);
        const QRect need = m_painter.boundingRect(QRect(0, 0, m_width, 100000),
                                                  Qt::TextWordWrap, s);
        const int y = take(need.height() + gapAfter);
        m_painter.drawText(QRect(Margin, y, m_width, need.height()), Qt::TextWordWrap, s);
    }

private:
    QPdfWriter* m_writer;
    QPainter m_painter;
    int m_width = 0;
    int m_bottom = 0;
    int m_y = 0;
};

void drawChart(Pages& pages, const counts::Question& q, int responses)
{
    QChart* chart = chart::of(q, responses);
    const QSizeF size(pages.width(), chart::height(q));
    chart->resize(size);
    QGraphicsScene scene; // owns the chart
    scene.addItem(chart);
    const int y = pages.take(int(size.height()) + 8);
    scene.render(&pages.painter(), QRectF(QPointF(Margin, y), size), QRectF(QPointF(0, 0), size));
}

} // namespace

bool write(const QString& path, const Rows& rows)
{
    // One pass: the counts, and the free texts, which the report lists.
    counts::Tally counted;
    const QStringList& names = columns::names();
    const QList<QStringList>& choices = columns::choices();
    QList<QStringList> given(names.size());
    rows([&](const Cells& row) {
        counted.add(row);
        for (qsizetype c = 0; c < names.size(); ++c)
            if (choices[c].isEmpty() && !row.value(c).trimmed().isEmpty())
                given[c] << QString::fromUtf8(row.value(c));
    });

    // Written aside and put in place whole: never half a report.
    QSaveFile file(path);
    const bool existed = QFile::exists(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    privatefiles::protect(file, existed);
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(96);
    writer.setTitle(QStringLiteral("Dépouillement du questionnaire"));
    Pages pages(&writer);
    if (!pages.ok())
        return false;
    QFont title(QStringLiteral("Liberation Sans"), 16, QFont::Bold);
    QFont heading(QStringLiteral("Liberation Sans"), 11, QFont::Bold);
    QFont body(QStringLiteral("Liberation Sans"), 10);

    pages.text(QStringLiteral("Dépouillement du questionnaire « Votre avis nous intéresse »"),
               title, 6);
    pages.text(QStringLiteral("%1 réponses, le %2")
                   .arg(counted.responses())
                   .arg(QLocale(QLocale::French).toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"))),
               body, 16);

    for (const counts::Question& q : counted.result()) {
        pages.keep(chart::height(q) + 30); // a heading never alone at a page's foot
        pages.text(q.column + (q.unanswered ? QStringLiteral(" (sans réponse : %1)").arg(q.unanswered)
                                            : QString()),
                   heading, 2);
        drawChart(pages, q, counted.responses());
    }

    // The free texts, as they were typed.
    for (qsizetype c = 0; c < names.size(); ++c) {
        if (given[c].isEmpty())
            continue;
        pages.text(names[c], heading, 2);
        for (const QString& answer : given[c])
            pages.text(QStringLiteral("– ") + answer, body, 2);
        pages.take(10);
    }
    return pages.painter().end() && file.commit();
}

bool write(const Base& base, const Base::Filter& filter, const QString& path)
{
    Base::Filter standing = filter;
    standing.withReplaced = false;
    return write(path, [&](const Row& row) {
        base.forEach(standing, [&](const Cells& cells) { row(cells.mid(Base::AnswersFrom)); });
    });
}

} // namespace report
