#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <list>

struct sqlite3;
struct sqlite3_stmt;

// SQLite's own interface, kept to the little the base needs: a statement
// prepared once, bound, stepped, its cells read in UTF-8 as the base holds
// them, so that nothing is converted that the caller does not need converted.
namespace sqlite
{

class Statement
{
public:
    Statement() = default;
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_statement != nullptr; }

    // Binds the index-th parameter (from 0); a null QString binds an empty
    // text.
    Statement& bind(int index, const QString& value);
    Statement& bind(int index, QByteArrayView utf8);
    Statement& bind(int index, qint64 value);
    Statement& bindNull(int index);

    // One more row: true; done or failed: false (failed() says which).
    bool next();
    // Runs it to its end; false when it failed.
    bool run();
    bool failed() const { return m_failed; }
    // Ready to run again, its values unbound.
    void reset();

    int columns() const;
    QByteArrayView bytes(int column) const; // valid until the next step
    QString text(int column) const;
    qint64 integer(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    std::list<QByteArray> m_values; // what is bound, until the statement is reset
    bool m_failed = false;
};

} // namespace sqlite
