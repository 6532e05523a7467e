#include "tally/responsesmodel.h"

#include <QDateTime>
#include <QLocale>

ResponsesModel::ResponsesModel(QObject* parent) : QSqlQueryModel(parent) {}

void ResponsesModel::show(const Base* base, const Base::Filter& filter)
{
    m_base = base;
    m_filter = filter;
    requery();
}

void ResponsesModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = qMax(0, column - 1);
    m_order = order;
    requery();
}

void ResponsesModel::requery()
{
    if (!m_base) {
        clear();
        return;
    }
    setQuery(m_base->select(m_filter, m_sortColumn, m_order));
}

qlonglong ResponsesModel::idAt(int row) const
{
    return QSqlQueryModel::data(index(row, IdColumn)).toLongLong();
}

QVariant ResponsesModel::data(const QModelIndex& index, int role) const
{
    // The date as a French reader writes it, in local time.
    if (index.column() == 1 + 0 && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        const QDateTime at = QDateTime::fromString(QSqlQueryModel::data(index).toString(), Qt::ISODate);
        return QLocale(QLocale::French).toString(at.toLocalTime(), QStringLiteral("dd/MM/yyyy HH:mm"));
    }
    return QSqlQueryModel::data(index, role);
}

QVariant ResponsesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section > IdColumn) {
        static const QStringList first = {QStringLiteral("Date"), QStringLiteral("Expéditeur"),
                                          QStringLiteral("Établissement")};
        const int column = section - 1;
        return column < first.size() ? first[column] : Base::tableHeader().value(column);
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}
