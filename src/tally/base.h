#pragma once

#include "tally/imapmailbox.h"
#include "tally/mailreader.h"
#include "tally/rows.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The base of the responses: one SQLite file, chosen by the user.  One row a
// response (its Message-ID, date, sender, establishment from the subject, the
// raw text and each answer, a column per answer control), the messages set
// aside with the reason, and a schema version with its migrations.
// Importing the same mail again adds nothing (the same Message-ID, or the
// same sender and text); a later response from the same sender supersedes
// the earlier one, which is kept and marked.  Each batch is one transaction:
// an import killed half-way leaves the base as it was before that batch.
class Base
{
public:
    Base();
    ~Base();
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    // Opens (creating when missing) and brings the schema up to date.
    bool open(const QString& path);
    QString path() const;
    QString error() const { return m_error; }

    // A message made ready for the base without touching it: its answer
    // text read, a response forwarded as an attachment taken for the
    // original (its own sender and Message-ID).  prepare() uses no base, so
    // an import runs it in the thread that reads the mailbox.
    struct Incoming {
        mailreader::Message message;
        int readings = 0;  // none: not a response
        QStringList cells; // the answers of the first reading, a column each
    };
    static Incoming prepare(const mailreader::Message& message);

    enum class Outcome { Added, AlreadyThere, SetAside, Failed };
    // Adds one message: a response, or a message set aside with the reason.
    // Failed: the base could not be written (error() says why).
    Outcome add(const Incoming& incoming);
    Outcome add(const mailreader::Message& message) { return add(prepare(message)); }

    // Batches: begin, then commit (or roll back) every so many messages.
    bool begin();
    bool commit();
    void rollback();

    int responses() const;
    int setAside() const;

    // Which standing responses a table shows; empty parts select all.
    struct Filter {
        QString establishment;
        QDate from, to; // local days, both included
    };
    // The table's columns: the date, the sender, the establishment, then one
    // a column of columns::names().
    static QStringList tableHeader();
    static constexpr int AnswersFrom = 3; // the first answer column of a table row

    // Each standing response the filter selects (every one, superseded
    // included, on request), oldest first, one row at a time.
    void forEach(const Filter& filter, const Row& row, bool withSuperseded = false) const;
    QList<QStringList> table(bool withSuperseded = false) const;
    int count(const Filter& filter) const;

    // For a window's table: the response's id, then the table's columns,
    // sorted on one of them (an index of tableHeader()), executed.
    QSqlQuery select(const Filter& filter, int sortColumn, Qt::SortOrder order) const;
    // The messages set aside: date, sender, subject, reason.
    QSqlQuery selectSetAside() const;
    QStringList establishments() const;

    // Where an IMAP folder was left: its UIDVALIDITY and the highest UID
    // imported (none: 0).  Written in the batch's transaction.
    struct Folder {
        quint32 uidValidity = 0;
        quint32 lastUid = 0;
        QByteArray fingerprint; // of a certificate the user trusts for it
    };
    Folder folder(const QString& address) const;
    bool setFolder(const QString& address, const Folder& folder);
    bool trust(const QString& address, const QByteArray& fingerprint);
    // The folder imported last, for the window to offer again.
    imap::Address lastFolder() const;

    // One response as it arrived.
    struct Response {
        qlonglong id = 0;
        QDateTime received;
        QString sender;
        QString establishment;
        QString text;
        int readings = 0;
        bool superseded = false;
    };
    Response response(qlonglong id) const;

private:
    QSqlDatabase db() const;
    bool migrate();
    bool fail(const QSqlQuery& q);
    QSqlQuery& prepared(int which, const QString& sql);
    // Whether the prepared statement finds a row for these values.
    enum class Found { No, Yes, Failed };
    Found found(int which, const QString& sql, const QVariantList& values);

    QString m_connection;
    QString m_error;
    // Statements prepared once: an import runs them for every message.
    std::vector<std::unique_ptr<QSqlQuery>> m_statements;
    class RowInsert;
    std::unique_ptr<RowInsert> m_insert;
};
