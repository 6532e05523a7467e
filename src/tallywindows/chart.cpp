#include "tallywindows/chart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QValueAxis>

namespace chart
{

constexpr int BarHeight = 34; // one answer

int height(const counts::Question& q)
{
    return 90 + BarHeight * int(q.values.size());
}

QChart* of(const counts::Question& q, int responses)
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
    return chart;
}

} // namespace chart
