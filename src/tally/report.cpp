#include "tally/report.h"

#include "answers/columns.h"
#include "tally/counts.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QDate>
#include <QGraphicsScene>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QValueAxis>

namespace report
{
namespace
{

constexpr int Margin = 48;    // pixels at the writer's 96 dots an inch
constexpr int BarHeight = 34; // one answer of a chart

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

// The height a question's chart takes.
int chartHeight(const counts::Question& q)
{
    return 90 + BarHeight * int(q.values.size());
}

void chart(Pages& pages, const counts::Question& q, int responses)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    auto* set = new QBarSet(q.column);
    QStringList labels;
    const QLocale french(QLocale::French);
    // Drawn from the bottom up: the first choice goes last, to stand on top.
    for (auto v = q.values.crbegin(); v != q.values.crend(); ++v) {
        *set << v->count;
        labels << QStringLiteral("%1 : %2 (%3 %)")
                      .arg(v->label)
                      .arg(v->count)
                      .arg(french.toString(v->percent, 'f', 0));
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    categories->setLabelsFont(QFont(QStringLiteral("Liberation Sans"), 9));
    chart->addAxis(categories, Qt::AlignLeft);
    series->attachAxis(categories);
    auto* scale = new QValueAxis;
    scale->setRange(0, qMax(1, responses));
    scale->setTickCount(qBound(2, responses + 1, 11)); // whole numbers while they are few
    scale->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(scale, Qt::AlignBottom);
    series->attachAxis(scale);

    chart->setMargins(QMargins(0, 0, 0, 0));
    const QSizeF size(pages.width(), chartHeight(q));
    chart->resize(size);
    QGraphicsScene scene; // owns the chart
    scene.addItem(chart);
    const int y = pages.take(int(size.height()) + 8);
    scene.render(&pages.painter(), QRectF(QPointF(Margin, y), size), QRectF(QPointF(0, 0), size));
}

} // namespace

bool write(const QString& path, const QList<QStringList>& rows)
{
    QPdfWriter writer(path);
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
                   .arg(rows.size())
                   .arg(QLocale(QLocale::French).toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"))),
               body, 16);

    for (const counts::Question& q : counts::count(rows)) {
        pages.keep(chartHeight(q) + 30); // a heading never alone at a page's foot
        pages.text(q.column + (q.unanswered ? QStringLiteral(" (sans réponse : %1)").arg(q.unanswered)
                                            : QString()),
                   heading, 2);
        chart(pages, q, int(rows.size()));
    }

    // The free texts, as they were typed.
    const QStringList& names = columns::names();
    const QList<QStringList>& choices = columns::choices();
    for (qsizetype c = 0; c < names.size(); ++c) {
        if (!choices[c].isEmpty())
            continue;
        QStringList given;
        for (const QStringList& row : rows)
            if (!row.value(c).trimmed().isEmpty())
                given << row.value(c);
        if (given.isEmpty())
            continue;
        pages.text(names[c], heading, 2);
        for (const QString& answer : given)
            pages.text(QStringLiteral("– ") + answer, body, 2);
        pages.take(10);
    }
    return pages.painter().end();
}

} // namespace report
