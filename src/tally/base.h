#pragma once

#include "tally/mailreader.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The base of the responses: one SQLite file, chosen by the user.  One row a
// response (its Message-ID, date, sender, establishment from the subject, the
// raw text and each answer, a column per answer control), the messages set
// aside with the reason, and a schema version for later migrations.
// Importing the same mail again adds nothing (the same Message-ID, or the
// same sender and text); a later response from the same sender supersedes
// the earlier one, which is kept and marked.  Each batch is one transaction:
// an import killed half-way leaves the base as it was before that batch.
class Base
{
public:
    Base();
    ~Base();

    // Opens (creating when missing) and brings the schema up to date.
    bool open(const QString& path);
    QString error() const { return m_error; }

    enum class Outcome { Added, AlreadyThere, SetAside };
    // Adds one message: a response, or a message set aside with the reason.
    Outcome add(const mailreader::Message& message);

    // Batches: begin, then commit every so many messages.
    bool begin();
    bool commit();

    int responses() const;
    int setAside() const;

    // Every response not superseded, oldest first: the date, the sender, the
    // establishment, then one cell a column of columns::names().
    QList<QStringList> table(bool withSuperseded = false) const;
    static QStringList tableHeader();
    static constexpr int AnswersFrom = 3; // the first answer column of a table row

private:
    QSqlDatabase db() const;
    bool migrate();

    QString m_connection;
    QString m_error;
};
