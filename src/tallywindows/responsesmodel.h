#pragma once

#include "tally/base.h"

#include <QAbstractTableModel>

// The rows of one statement of the base, fetched as a view scrolls, so that
// a large base shows at once.
class StatementModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit StatementModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setStatement(sqlite::Statement statement, const QStringList& headers);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    QString cell(int row, int column) const { return m_rows.value(row).value(column); }
    QList<int> m_dateColumns; // shown as a French reader writes a date, in local time
    QStringList m_descriptions; // each header's tooltip and accessible description

private:
    sqlite::Statement m_statement;
    QStringList m_headers;
    QList<QStringList> m_rows;
    bool m_more = false;
};

// The responses of a base as a table: the response's id (hidden by the
// view), the date, the sender, the establishment, the subject's name, then
// the answers.  Sorting and filtering run in SQLite.  A replaced response,
// shown on request, is greyed.
class ResponsesModel : public StatementModel
{
    Q_OBJECT
public:
    static constexpr int IdColumn = 0;

    explicit ResponsesModel(QObject* parent = nullptr);

    // Shows the responses of base the filter selects (none without a base).
    void show(const Base* base, const Base::Filter& filter);
    const Base::Filter& filter() const { return m_filter; }
    qlonglong idAt(int row) const;
    bool replacedAt(int row) const;

    void sort(int column, Qt::SortOrder order) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void requery();

    const Base* m_base = nullptr;
    Base::Filter m_filter;
    int m_sortColumn = 0; // of Base::tableHeader()
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

// The messages set aside: id (hidden by the view), date, sender, subject and reason.
class SetAsideModel : public StatementModel
{
    Q_OBJECT
public:
    explicit SetAsideModel(QObject* parent = nullptr);
    void show(const Base* base);
    qlonglong idAt(int row) const;
};
