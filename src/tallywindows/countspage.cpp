#include "tallywindows/countspage.h"

#include "tallywindows/chart.h"

#include <QBarCategoryAxis>
#include <QChartView>
#include <QHBoxLayout>
#include <QListWidget>

CountsPage::CountsPage(QWidget* parent)
    : QWidget(parent), m_list(new QListWidget(this)), m_chart(new QChartView(this))
{
    m_list->setAccessibleName(QStringLiteral("Questions"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 2);
    layout->addWidget(m_chart, 5);
    connect(m_list, &QListWidget::currentRowChanged, this, &CountsPage::showChart);
}

void CountsPage::show(const QList<counts::Question>& questions, int responses)
{
    const int current = qMax(0, m_list->currentRow());
    m_questions = questions;
    m_responses = responses;
    m_list->clear();
    for (const counts::Question& q : questions)
        m_list->addItem(q.unanswered ? QStringLiteral("%1 (sans réponse : %2)").arg(q.column).arg(q.unanswered)
                                     : q.column);
    m_list->setCurrentRow(qMin(current, int(questions.size()) - 1));
}

int CountsPage::questionCount() const
{
    return int(m_questions.size());
}

void CountsPage::choose(int question)
{
    m_list->setCurrentRow(question);
}

void CountsPage::showChart(int question)
{
    QChart* old = m_chart->chart();
    if (question < 0 || question >= m_questions.size()) {
        m_chart->setChart(new QChart);
    } else {
        QChart* c = chart::of(m_questions[question], m_responses);
        c->setTitle(m_questions[question].column);
        m_chart->setChart(c);
    }
    delete old; // the view does not own a chart it lets go
}

QStringList CountsPage::shownLabels() const
{
    const QList<QAbstractAxis*> axes = m_chart->chart()->axes(Qt::Vertical);
    if (axes.isEmpty())
        return {};
    return static_cast<QBarCategoryAxis*>(axes.first())->categories();
}
