#pragma once

#include "tally/base.h"

#include <QWidget>

class DateField;
class QCheckBox;
class QComboBox;
class QPushButton;

// What the window shows: the responses of one establishment, between two
// days, giving one answer to one question, the replaced ones too on request;
// « Effacer les filtres » shows them all again.  The table, the counts and
// the exports follow it.
class FilterBar : public QWidget
{
    Q_OBJECT
public:
    explicit FilterBar(QWidget* parent = nullptr);

    Base::Filter filter() const;
    void setFilter(const Base::Filter& filter);
    void clear();
    // The establishments to choose from, the one chosen kept.
    void setEstablishments(const QStringList& names);
    // Where the calendars open: the responses' first and last months.
    void setPeriod(const QDate& first, const QDate& last);

    QComboBox* establishment() const { return m_establishment; }
    DateField* from() const { return m_from; }
    DateField* to() const { return m_to; }
    QComboBox* question() const { return m_question; }
    QComboBox* answer() const { return m_answer; }
    QCheckBox* replaced() const { return m_replaced; }
    QPushButton* clearButton() const { return m_clear; }

Q_SIGNALS:
    void changed();
    void misread(const QString& typed);

private:
    void fillAnswers();
    void edited();

    QComboBox* m_establishment;
    DateField* m_from;
    DateField* m_to;
    QComboBox* m_question;
    QComboBox* m_answer;
    QCheckBox* m_replaced;
    QPushButton* m_clear;
    bool m_quiet = false;
};
