#include "tallywindows/responsesmodel.h"

#include "answers/columns.h"
#include "answers/questions.h"
#include "ui/plaintext.h"

#include <QBrush>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QPalette>

namespace
{

constexpr int Fetch = 256;

QString frenchDate(const QString& iso)
{
    const QDateTime at = QDateTime::fromString(iso, Qt::ISODate);
    return QLocale(QLocale::French).toString(at.toLocalTime(), QStringLiteral("dd/MM/yyyy HH:mm"));
}

} // namespace

void StatementModel::setStatement(sqlite::Statement statement, const QStringList& headers)
{
    beginResetModel();
    m_statement = std::move(statement);
    m_headers = headers;
    m_rows.clear();
    m_more = m_statement.isValid();
    endResetModel();
}

void StatementModel::clear()
{
    setStatement(sqlite::Statement(), {});
}

int StatementModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StatementModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

bool StatementModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_more;
}

void StatementModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_more)
        return;
    QList<QStringList> more;
    while (more.size() < Fetch && (m_more = m_statement.next())) {
        QStringList row;
        for (int c = 0; c < m_statement.columns(); ++c)
            row << m_statement.text(c);
        more << row;
    }
    if (more.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + more.size() - 1));
    m_rows += more;
    endInsertRows();
}

QVariant StatementModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    const QString value = cell(index.row(), index.column());
    const QString shown = m_dateColumns.contains(index.column()) ? frenchDate(value) : value;
    return role == Qt::ToolTipRole ? ui::plainToolTip(shown) : shown;
}

QVariant StatementModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    if (orientation == Qt::Horizontal && (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) &&
        section < m_descriptions.size())
        return role == Qt::ToolTipRole ? ui::plainToolTip(m_descriptions[section]) : m_descriptions[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

ResponsesModel::ResponsesModel(QObject* parent) : StatementModel(parent)
{
    m_dateColumns = {1};
    // A question's whole words where its header has room for a few.
    m_descriptions = QStringList(Base::AnswersFrom + 1);
    m_descriptions[3] = QStringLiteral("L’établissement nommé dans les coordonnées de la réponse");
    m_descriptions[4] = QStringLiteral("Le nom écrit dans l’objet du message");
    for (int c = 0; c < columns::names().size(); ++c) {
        const QString part = questions::part(c);
        m_descriptions << questions::ofColumn(c).asked() + (part.isEmpty() ? QString() : QStringLiteral(" — ") + part);
    }
}

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
    static const QStringList headers = [] {
        QStringList h = {QStringLiteral("n°"), QStringLiteral("Date"), QStringLiteral("Expéditeur"),
                         QStringLiteral("Établissement"), QStringLiteral("Nom (objet)")};
        for (int c = 0; c < columns::names().size(); ++c) {
            const QString part = questions::part(c);
            const questions::Question& q = questions::ofColumn(c);
            h << (part.isEmpty() ? q.title() : QStringLiteral("%1. %2").arg(q.number).arg(part));
        }
        return h;
    }();
    setStatement(m_base->select(m_filter, m_sortColumn, m_order), headers);
    fetchMore(QModelIndex());
}

qlonglong ResponsesModel::idAt(int row) const
{
    return cell(row, IdColumn).toLongLong();
}

bool ResponsesModel::replacedAt(int row) const
{
    // The base's last cell of a row, after the columns the view shows.
    return cell(row, columnCount()) == QLatin1String("1");
}

QVariant ResponsesModel::data(const QModelIndex& index, int role) const
{
    if (index.isValid() && replacedAt(index.row())) {
        if (role == Qt::ForegroundRole)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        if (role == Qt::FontRole) {
            QFont f;
            f.setItalic(true);
            return f;
        }
    }
    return StatementModel::data(index, role);
}

SetAsideModel::SetAsideModel(QObject* parent) : StatementModel(parent)
{
    m_dateColumns = {1};
}

qlonglong SetAsideModel::idAt(int row) const
{
    return cell(row, 0).toLongLong();
}

void SetAsideModel::show(const Base* base)
{
    if (!base) {
        clear();
        return;
    }
    setStatement(base->selectSetAside(), {QStringLiteral("n°"), QStringLiteral("Date"), QStringLiteral("Expéditeur"),
                                          QStringLiteral("Objet"), QStringLiteral("Raison")});
    fetchMore(QModelIndex());
}
