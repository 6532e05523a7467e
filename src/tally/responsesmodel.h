#pragma once

#include "tally/base.h"

#include <QSqlQueryModel>

// The standing responses of a base as a table: the response's id (hidden
// by the view), the date, the sender, the establishment, then the answers.
// Sorting and filtering run in SQLite, and rows are fetched as the view
// scrolls, so that a large base shows at once.
class ResponsesModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    static constexpr int IdColumn = 0;

    explicit ResponsesModel(QObject* parent = nullptr);

    // Shows the responses of base the filter selects (none without a base).
    void show(const Base* base, const Base::Filter& filter);
    const Base::Filter& filter() const { return m_filter; }
    qlonglong idAt(int row) const;

    void sort(int column, Qt::SortOrder order) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void requery();

    const Base* m_base = nullptr;
    Base::Filter m_filter;
    int m_sortColumn = 0; // of Base::tableHeader()
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
