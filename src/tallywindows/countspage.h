#pragma once

#include "tally/counts.h"

#include <QWidget>

class QChartView;
class QListWidget;

// The counts of each question with its chart: the questions listed on the
// left, the chart of the one chosen on the right.
class CountsPage : public QWidget
{
    Q_OBJECT
public:
    explicit CountsPage(QWidget* parent = nullptr);

    void show(const QList<counts::Question>& questions, int responses);
    int questionCount() const;
    void choose(int question);
    // The chart's bar labels of the question shown.
    QStringList shownLabels() const;

private:
    void showChart(int question);

    QListWidget* m_list;
    QChartView* m_chart;
    QList<counts::Question> m_questions;
    int m_responses = 0;
};
