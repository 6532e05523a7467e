#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QMenu;
class QToolButton;

// A date typed as a French reader writes it (8/12/2026, 08.12.26, 8 décembre
// 2026) or picked on a calendar, and cleared by emptying it.  The calendar
// opens on the date, else on the month given by setMonthShown().
class DateField : public QWidget
{
    Q_OBJECT
public:
    explicit DateField(const QString& name, QWidget* parent = nullptr);

    // Invalid: no date (empty, or not understood).
    QDate date() const { return m_date; }
    void setDate(const QDate& date);
    void setMonthShown(const QDate& month) { m_month = month; }
    QLineEdit* edit() const { return m_edit; }
    QToolButton* calendarButton() const { return m_button; }

    // A French date read from what a reader types; invalid when not one.
    static QDate read(const QString& typed);

Q_SIGNALS:
    void dateChanged(const QDate& date);
    // What was typed could not be read as a date.
    void misread(const QString& typed);

private:
    void take();
    void showDate();

    QLineEdit* m_edit;
    QToolButton* m_button;
    QMenu* m_menu;
    QCalendarWidget* m_calendar;
    QDate m_date;
    QDate m_month;
};
