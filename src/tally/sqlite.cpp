#include "tally/sqlite.h"

#include <sqlite3.h>
#include <utility>

namespace sqlite
{

Statement::Statement(sqlite3* db, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_failed = true;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

Statement::Statement(Statement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_values(std::move(other.m_values)),
      m_failed(other.m_failed)
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    std::swap(m_statement, other.m_statement);
    std::swap(m_values, other.m_values);
    std::swap(m_failed, other.m_failed);
    return *this;
}

Statement& Statement::bind(int index, QByteArrayView utf8)
{
    sqlite3_bind_text(m_statement, index + 1, utf8.data() ? utf8.data() : "", int(utf8.size()),
                      SQLITE_STATIC);
    return *this;
}

Statement& Statement::bind(int index, const QString& value)
{
    if (value.isEmpty())
        return bind(index, QByteArrayView(""));
    m_values.push_back(value.toUtf8());
    return bind(index, QByteArrayView(m_values.back()));
}

Statement& Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index + 1, value);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index + 1);
    return *this;
}

bool Statement::next()
{
    if (!m_statement)
        return false;
    const int status = sqlite3_step(m_statement);
    m_failed = status != SQLITE_ROW && status != SQLITE_DONE;
    return status == SQLITE_ROW;
}

bool Statement::run()
{
    while (next()) {
    }
    const bool ok = m_statement && !m_failed;
    reset();
    return ok;
}

void Statement::reset()
{
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_values.clear();
}

int Statement::columns() const
{
    return sqlite3_column_count(m_statement);
}

QByteArrayView Statement::bytes(int column) const
{
    return QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
}

QString Statement::text(int column) const
{
    return QString::fromUtf8(bytes(column));
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

} // namespace sqlite
