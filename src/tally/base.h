#pragma once

#include "tally/mailreader.h"
#include "tally/rows.h"
#include "tally/sqlite.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;

// The base of the responses: one SQLite file, chosen by the user, private to
// its owner.  One row a response (its Message-ID, date, sender, the name of
// its subject, the establishment and the teacher section F names, the raw
// text and each answer, a column per answer control), the messages set
// aside with the reason, and a schema version with its migrations.
//
// Importing the same mail again adds nothing (the same Message-ID, or the
// same sender and text).  A response belongs to the teacher its section F
// names, else to its sender's address; the latest one of a teacher stands,
// except that a response answering nothing never stands over one that
// answers.  Nothing is deleted: the others are kept, marked with the one that
// replaced them.  Each batch is one transaction: an import killed half-way
// leaves the base as it was before that batch.
class Base
{
public:
    Base();
    ~Base();
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;

    // Opens (creating it, 0600, when missing) and brings the schema up to date.
    bool open(const QString& path);
    QString path() const { return m_path; }
    QString error() const { return m_error; }

    // A message made ready for the base without touching it: its answer
    // text read, a response forwarded as an attachment taken for the
    // original (its own sender and Message-ID), whose it is.  prepare()
    // uses no base, so an import runs it in the thread that reads the mailbox.
    struct Incoming {
        mailreader::Message message;
        int readings = 0;  // none: not a response
        QString teacher;   // who it belongs to, folded for comparison
        QString establishment;
        bool answered = false; // any question answered
        // A response's row as the base stores it, in UTF-8, made on the
        // reading thread: the fields of Fields, then the answers of the
        // first reading, a column each.  One buffer for all, so that the
        // thread that writes the base frees one block, not a hundred.
        enum Fields { MessageId, Received, Sender, SubjectName, Establishment, Teacher, Text, Answers };
        QByteArray rowData;
        std::vector<int> rowEnds;
        int fields() const { return int(rowEnds.size()); }
        QByteArrayView field(int i) const
        {
            const int from = i == 0 ? 0 : rowEnds[size_t(i) - 1];
            return QByteArrayView(rowData).sliced(from, rowEnds[size_t(i)] - from);
        }
        void append(const QString& value)
        {
            rowData += value.toUtf8();
            rowEnds.push_back(int(rowData.size()));
        }
    };
    static Incoming prepare(const mailreader::Message& message);

    enum class Outcome { Added, AlreadyThere, SetAside, Failed };
    // Adds one message: a response, or a message set aside with the reason.
    // Failed: the base could not be written (error() says why).
    Outcome add(const Incoming& incoming);

    // Batches: begin, then commit (or roll back) every so many messages.
    // begin() takes the write lock at once, waiting for another program's
    // batch to end.
    bool begin();
    bool commit();
    void rollback();

    // Whether another program wrote the base since the last call.
    bool changedElsewhere();

    int responses() const;
    int setAside() const;

    // Which responses a table shows; empty parts select all.
    struct Filter {
        QString establishment;
        QDate from, to;             // local days, both included
        bool withReplaced = false;  // the replaced responses too
        // One answer: only the responses whose cell of this column of
        // columns::names() says answerValue (empty: left unanswered).
        int answerColumn = -1;
        QString answerValue;
        bool operator==(const Filter& o) const
        {
            return establishment == o.establishment && from == o.from && to == o.to &&
                   withReplaced == o.withReplaced && answerColumn == o.answerColumn &&
                   (answerColumn < 0 || answerValue == o.answerValue);
        }
    };
    // The table's columns: the date, the sender, the establishment, the name
    // of the subject, then one a column of columns::names().  With the
    // replaced responses, two more at the end: the response's number and the
    // number of the one that replaced it.
    static QStringList tableHeader(bool withReplaced = false);
    // The same columns in a reader's words: « Date », « Expéditeur »,
    // « 1. Salle de TP informatisée »…
    static QStringList tableTitles(bool withReplaced = false);
    static constexpr int AnswersFrom = 4; // the first answer column of a table row

    // Each response the filter selects, oldest first, one row at a time.
    void forEach(const Filter& filter, const Row& row) const;
    QList<QStringList> table(bool withReplaced = false) const;
    int count(const Filter& filter) const;
    // The ids of the responses the filter selects, in no order.
    std::vector<qint64> ids(const Filter& filter) const;
    // Each standing response, one row at a time: its id, then its answer
    // cells, one a column of columns::names().
    void forEachStanding(const std::function<void(qint64 id, const Cells& answers)>& each) const;

    // For a window's table: the response's id, the table's columns, then
    // whether it was replaced; sorted on one of the table's columns (an
    // index of tableHeader()).
    sqlite::Statement select(const Filter& filter, int sortColumn, Qt::SortOrder order) const;
    // The messages set aside: id, date, sender, subject, reason.
    sqlite::Statement selectSetAside() const;
    struct SetAside {
        qlonglong id = 0;
        QDateTime received;
        QString sender, subject, reason, text;
        bool kept = false; // set aside before the base kept the texts: none
    };
    SetAside setAsideMessage(qlonglong id) const;
    // The days of the first and the last response the filter selects
    // (invalid dates: none).
    std::pair<QDate, QDate> period(const Filter& filter) const;
    QStringList establishments() const;

    // Where an IMAP folder (by its address) was left: its UIDVALIDITY and the
    // highest UID imported (none: 0).  Written in the batch's transaction.
    struct Folder {
        quint32 uidValidity = 0;
        quint32 lastUid = 0;
        QByteArray fingerprint; // of a certificate the user trusts for it
    };
    Folder folder(const QString& address) const;
    bool setFolder(const QString& address, const Folder& folder);
    bool trust(const QString& address, const QByteArray& fingerprint);
    // The address of the folder imported last, for the window to offer again.
    QString lastFolder() const;

    // One response as it arrived, with what it replaced and what replaced it.
    struct Response {
        qlonglong id = 0;
        QDateTime received;
        QString sender;
        QString subjectName;
        QString establishment;
        QString text;
        int readings = 0;
        qlonglong replacedBy = 0; // none: 0
        struct Other {
            qlonglong id;
            QDateTime received;
            QString sender;
        };
        QList<Other> replaced; // the responses it replaced, oldest first
        std::optional<Other> replacer;
    };
    Response response(qlonglong id) const;

private:
    bool migrate();
    bool exec(const QString& sql);
    bool failed();
    sqlite::Statement& statement(int which, const char* sql);
    Outcome addSetAside(const Incoming& in, const QString& received);
    Outcome addResponse(const Incoming& in);
    // A new response against the one of its teacher that stood: whichever
    // loses is marked replaced by the other.
    bool settle(qint64 id, const Incoming& in);
    // Which response of each teacher stands, worked out again from all.
    bool settleAll();
    // The teacher, establishment and answered flag of every response, from
    // its text: a base of an older version brought up to date.
    bool fillFromTexts();

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_error;
    qint64 m_dataVersion = -1;
    // Statements prepared once: an import runs them for every message.
    std::vector<std::unique_ptr<sqlite::Statement>> m_statements;
};
