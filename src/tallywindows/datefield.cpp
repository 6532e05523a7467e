#include "tallywindows/datefield.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QRegularExpression>
#include <QToolButton>
#include <QWidgetAction>

namespace
{

const QString Shown = QStringLiteral("dd/MM/yyyy");

} // namespace

DateField::DateField(const QString& name, QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this)), m_menu(new QMenu(this)),
      m_calendar(new QCalendarWidget)
{
    m_edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setAccessibleName(name);
    m_edit->setMaxLength(40);
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 36);
    setFocusProxy(m_edit);
    m_button->setText(QStringLiteral("…"));
    m_button->setAccessibleName(QStringLiteral("Calendrier : %1").arg(name));
    m_button->setToolTip(QStringLiteral("Choisir sur un calendrier"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(m_menu);
    m_calendar->setLocale(QLocale(QLocale::French));
    m_calendar->setGridVisible(true);
    auto* action = new QWidgetAction(m_menu);
    action->setDefaultWidget(m_calendar);
    m_menu->addAction(action);
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        const QDate at = m_date.isValid() ? m_date : m_month.isValid() ? m_month : QDate::currentDate();
        if (m_date.isValid())
            m_calendar->setSelectedDate(m_date);
        m_calendar->setCurrentPage(at.year(), at.month());
    });
    const auto picked = [this](const QDate& d) {
        m_menu->close();
        setDate(d);
    };
    connect(m_calendar, &QCalendarWidget::clicked, this, picked);
    connect(m_calendar, &QCalendarWidget::activated, this, picked);
    connect(m_edit, &QLineEdit::editingFinished, this, &DateField::take);
    // The clear button, or a field emptied, drops the date at once.
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty() && m_date.isValid())
            take();
    });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(m_edit);
    row->addWidget(m_button);
}

QDate DateField::read(const QString& typed)
{
    const QString t = typed.simplified();
    // Day, month and year with any of the usual separators; two-digit years are this century's.
    static const QRegularExpression numbers(QStringLiteral("^(\\d{1,2})[/.\\- ](\\d{1,2})[/.\\- ](\\d{2}|\\d{4})$"));
    const QRegularExpressionMatch m = numbers.match(t);
    if (m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += 2000;
        return QDate(year, m.captured(2).toInt(), m.captured(1).toInt());
    }
    const QLocale french(QLocale::French);
    for (const QString& format : {QStringLiteral("d MMMM yyyy"), QStringLiteral("d MMM yyyy"),
                                  QStringLiteral("dddd d MMMM yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = french.toDate(t.toLower(), format);
        if (d.isValid())
            return d;
    }
    return QDate();
}

void DateField::setDate(const QDate& date)
{
    const bool changed = date != m_date;
    m_date = date;
    showDate();
    if (changed)
        Q_EMIT dateChanged(m_date);
}

void DateField::showDate()
{
    m_edit->setText(m_date.isValid() ? m_date.toString(Shown) : QString());
    m_edit->setStyleSheet(QString());
    m_edit->setToolTip(QString());
}

void DateField::take()
{
    const QString typed = m_edit->text().trimmed();
    if (typed.isEmpty()) {
        setDate(QDate());
        return;
    }
    const QDate d = read(typed);
    if (d.isValid()) {
        setDate(d);
        return;
    }
    // Kept as typed, to be mended; no date meanwhile.
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #c0392b; }"));
    m_edit->setToolTip(QStringLiteral("Date incomprise : écrivez-la jj/mm/aaaa, par exemple 08/12/2026."));
    const bool changed = m_date.isValid();
    m_date = QDate();
    if (changed)
        Q_EMIT dateChanged(m_date);
    Q_EMIT misread(typed);
}
