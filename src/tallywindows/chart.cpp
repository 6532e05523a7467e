#include "tallywindows/chart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QHorizontalBarSeries>
#include <QHorizontalPercentBarSeries>
#include <QLegend>
#include <QValueAxis>

namespace chart
{
namespace
{

using summary::share;

bool byParts(const summary::Card& card)
{
    const questions::Shape s = card.question->shape;
    return s == questions::Shape::Pairs || s == questions::Shape::Grid;
}

QString unanswered()
{
    return QStringLiteral("sans réponse");
}

// The answers of a part-by-part question, each once, in the order met.
QStringList answersOf(const summary::Card& card)
{
    QStringList all;
    for (const summary::Group& g : card.groups)
        for (const summary::Bar& b : g.bars)
            if (!all.contains(b.label))
                all << b.label;
    return all;
}

} // namespace

QStringList labels(const summary::Card& card, int responses)
{
    QStringList out;
    if (card.groups.isEmpty())
        return out;
    if (byParts(card)) {
        for (const summary::Group& g : card.groups)
            out << QStringLiteral("%1 (%2 réponses, %3 sans réponse)")
                       .arg(g.part)
                       .arg(g.answered)
                       .arg(responses - g.answered);
        return out;
    }
    const summary::Group& g = card.groups.first();
    for (const summary::Bar& b : g.bars)
        out << QStringLiteral("%1 — %2 (%3)").arg(b.label).arg(b.count).arg(share(b.count, card.answered));
    out << QStringLiteral("%1 — %2").arg(unanswered()).arg(card.unanswered);
    return out;
}

int height(const summary::Card& card, int bar)
{
    if (card.groups.isEmpty())
        return 0;
    if (byParts(card))
        return 60 + int(card.groups.size()) * bar + 12 * ((int(answersOf(card).size()) + 1 + 3) / 4);
    return 40 + (int(card.groups.first().bars.size()) + 1) * bar;
}

QChart* of(const summary::Card& card, int responses, int fontPoints)
{
    if (card.groups.isEmpty())
        return nullptr;
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    const QFont font(QStringLiteral("Liberation Sans"), fontPoints);
    auto* categories = new QBarCategoryAxis;
    categories->setLabelsFont(font);
    QStringList names = labels(card, responses);
    QAbstractBarSeries* series = nullptr;
    if (byParts(card)) {
        // A bar a part, split by answer: the shares of each part at a glance.
        auto* split = new QHorizontalPercentBarSeries;
        const QStringList answers = answersOf(card);
        for (const QString& answer : answers + QStringList{unanswered()}) {
            auto* set = new QBarSet(answer);
            for (auto g = card.groups.crbegin(); g != card.groups.crend(); ++g) {
                int count = 0;
                if (answer == unanswered())
                    count = responses - g->answered;
                for (const summary::Bar& b : g->bars)
                    if (b.label == answer)
                        count = b.count;
                *set << count;
            }
            split->append(set);
        }
        series = split;
        chart->legend()->setFont(font);
        chart->legend()->setAlignment(Qt::AlignBottom);
    } else {
        auto* bars = new QHorizontalBarSeries;
        auto* set = new QBarSet(card.question->title());
        const summary::Group& g = card.groups.first();
        *set << card.unanswered; // drawn from the bottom up: the first choice on top
        for (auto b = g.bars.crbegin(); b != g.bars.crend(); ++b)
            *set << b->count;
        bars->append(set);
        series = bars;
        chart->legend()->hide();
    }
    std::reverse(names.begin(), names.end());
    chart->addSeries(series);
    categories->append(names);
    chart->addAxis(categories, Qt::AlignLeft);
    series->attachAxis(categories);
    auto* scale = new QValueAxis;
    scale->setLabelsFont(font);
    if (!byParts(card)) {
        int most = card.unanswered;
        for (const summary::Bar& b : card.groups.first().bars)
            most = qMax(most, b.count);
        scale->setRange(0, qMax(1, most));
        scale->setTickCount(qBound(2, most + 1, 6)); // whole numbers while they are few
        scale->setLabelFormat(QStringLiteral("%d"));
    } else {
        scale->setLabelFormat(QStringLiteral("%d %%"));
    }
    chart->addAxis(scale, Qt::AlignBottom);
    series->attachAxis(scale);
    return chart;
}

QString describe(const summary::Card& card, int responses)
{
    QStringList parts;
    if (byParts(card)) {
        for (const summary::Group& g : card.groups) {
            QStringList answers;
            for (const summary::Bar& b : g.bars)
                answers << QStringLiteral("%1 %2 (%3)").arg(b.label).arg(b.count).arg(share(b.count, g.answered));
            parts << QStringLiteral("%1 : %2 ; sans réponse %3").arg(g.part, answers.join(QStringLiteral(", ")))
                         .arg(responses - g.answered);
        }
    } else {
        parts = labels(card, responses);
    }
    return QStringLiteral("%1 réponses sur %2. ").arg(card.answered).arg(responses) +
           parts.join(QStringLiteral(" ; ")) + QLatin1Char('.');
}

} // namespace chart
