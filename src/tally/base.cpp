#include "tally/base.h"

#include "answers/answertext.h"
#include "answers/columns.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <list>
#include <sqlite3.h>

namespace
{

QString quoted(const QString& column)
{
    return QLatin1Char('"') + column + QLatin1Char('"');
}

// What each version adds to the one before: steps[v] brings a base from
// version v to v + 1.  A step once released is never changed.
QList<QStringList> steps()
{
    QStringList answerColumns;
    for (const QString& c : columns::names())
        answerColumns << quoted(c) + QStringLiteral(" TEXT");
    return {
        {
            QStringLiteral("CREATE TABLE responses (id INTEGER PRIMARY KEY, message_id TEXT, "
                           "received TEXT NOT NULL, sender TEXT NOT NULL, establishment TEXT, "
                           "text TEXT NOT NULL, readings INTEGER NOT NULL, superseded_by INTEGER, ") +
                answerColumns.join(QStringLiteral(", ")) + QLatin1Char(')'),
            QStringLiteral("CREATE UNIQUE INDEX responses_message ON responses(message_id) "
                           "WHERE message_id <> ''"),
            QStringLiteral("CREATE INDEX responses_sender ON responses(sender)"),
            QStringLiteral("CREATE TABLE set_aside (id INTEGER PRIMARY KEY, message_id TEXT, "
                           "received TEXT, sender TEXT, subject TEXT, reason TEXT NOT NULL)"),
        },
        // 2: a window opens on the oldest responses without sorting them all.
        {
            QStringLiteral("CREATE INDEX responses_received ON responses(received, id)"),
            QStringLiteral("CREATE INDEX set_aside_message ON set_aside(message_id)"),
        },
        // 3: where each IMAP folder was left, to take only what is new.
        {
            QStringLiteral("CREATE TABLE mailboxes (address TEXT PRIMARY KEY, "
                           "uidvalidity INTEGER NOT NULL, last_uid INTEGER NOT NULL, "
                           "fingerprint TEXT, used TEXT)"),
        },
    };
}

// "Questionnaire ( Lycée Curie )": the establishment between the brackets.
QString establishmentOf(const QString& subject)
{
    static const QRegularExpression form(QStringLiteral("^\\s*Questionnaire \\( (.*) \\)\\s*$"));
    const QRegularExpressionMatch m = form.match(subject);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString utcText(const QDateTime& t)
{
    return t.toUTC().toString(Qt::ISODate);
}

// The SQL condition of a filter, with its values in order.
struct Where {
    QString sql;
    QVariantList values;
};

Where whereOf(const Base::Filter& f, bool withSuperseded)
{
    QStringList terms;
    Where w;
    if (!withSuperseded)
        terms << QStringLiteral("superseded_by IS NULL");
    if (!f.establishment.isEmpty()) {
        terms << QStringLiteral("establishment = ?");
        w.values << f.establishment;
    }
    if (f.from.isValid()) {
        terms << QStringLiteral("received >= ?");
        w.values << utcText(f.from.startOfDay());
    }
    if (f.to.isValid()) {
        terms << QStringLiteral("received < ?");
        w.values << utcText(f.to.addDays(1).startOfDay());
    }
    if (!terms.isEmpty())
        w.sql = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    return w;
}

// The table's columns as the base names them.
const QStringList& selectedColumns()
{
    static const QStringList c = [] {
        QStringList s = {QStringLiteral("received"), QStringLiteral("sender"),
                         QStringLiteral("establishment")};
        for (const QString& name : columns::names())
            s << quoted(name);
        return s;
    }();
    return c;
}

enum Statement { FindSetAside, InsertSetAside, FindResponse, FindStanding, Mark, Statements };

} // namespace

// The SQLite connection under Qt's, for the two hot paths below.
static sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    return qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3* const*>(handle.constData())
                                                         : nullptr;
}

// The insert of a response, some eighty values a message, goes straight
// through SQLite's own interface on Qt's connection: Qt's binding of a value
// costs more than SQLite's whole insert, and an import runs this for every
// message.
class Base::RowInsert
{
public:
    RowInsert(const QSqlDatabase& db, const QString& sql) : m_db(handleOf(db))
    {
        if (m_db)
            sqlite3_prepare_v3(m_db, sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT,
                               &m_statement, nullptr);
    }
    ~RowInsert() { sqlite3_finalize(m_statement); }
    RowInsert(const RowInsert&) = delete;
    RowInsert& operator=(const RowInsert&) = delete;

    // In the base's own encoding, UTF-8, so that SQLite converts nothing.
    void bind(int at, const QString& value)
    {
        if (value.isEmpty()) {
            sqlite3_bind_text(m_statement, at + 1, "", 0, SQLITE_STATIC);
            return;
        }
        m_values.push_back(value.toUtf8());
        sqlite3_bind_text(m_statement, at + 1, m_values.back().constData(),
                          int(m_values.back().size()), SQLITE_STATIC);
    }
    void bind(int at, int value) { sqlite3_bind_int(m_statement, at + 1, value); }

    // Runs it; the new row's id, or 0 with error set.
    qlonglong run(QString* error)
    {
        if (!m_statement) {
            *error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("pas de base SQLite");
            return 0;
        }
        const int status = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        m_values.clear();
        if (status != SQLITE_DONE) {
            *error = QString::fromUtf8(sqlite3_errstr(status));
            return 0;
        }
        return sqlite3_last_insert_rowid(m_db);
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    std::list<QByteArray> m_values; // what is bound, until the statement has run
};

Base::Base()
{
    static QAtomicInt count;
    m_connection = QStringLiteral("tally-%1").arg(count.fetchAndAddRelaxed(1));
}

Base::~Base()
{
    m_statements.clear();
    m_insert.reset();
    if (QSqlDatabase::contains(m_connection)) {
        db().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QSqlDatabase Base::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

QString Base::path() const
{
    return db().databaseName();
}

bool Base::fail(const QSqlQuery& q)
{
    m_error = q.lastError().text();
    return false;
}

bool Base::open(const QString& path)
{
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    d.setDatabaseName(path);
    // Another process importing holds the base for a moment: wait for it.
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!d.open()) {
        m_error = d.lastError().text();
        return false;
    }
    QSqlQuery q(d);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return fail(q);
    // In WAL mode, NORMAL keeps every batch whole through a crash or a kill;
    // only a power cut may lose the last batches, which a second import takes.
    if (!q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail(q);
    q.finish(); // a statement left open would hold the migration's commit
    return migrate();
}

bool Base::migrate()
{
    QSqlDatabase d = db();
    QSqlQuery q(d);
    const auto version = [&q]() {
        const int v = q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : -1;
        q.finish();
        return v;
    };
    const QList<QStringList> all = steps();
    int found = version();
    if (found == all.size())
        return true;
    // Another program may be opening the same new base: the version is read
    // again under the write lock, and the steps run once.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q);
    found = version();
    if (found < 0 || found > all.size()) {
        m_error = found < 0 ? q.lastError().text()
                            : QStringLiteral("base d’une version plus récente du programme");
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    QStringList run;
    for (qsizetype v = found; v < all.size(); ++v)
        run += all[v];
    run << QStringLiteral("PRAGMA user_version = %1").arg(all.size()) << QStringLiteral("COMMIT");
    for (const QString& step : run) {
        if (!q.exec(step)) {
            fail(q);
            q.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return true;
}

bool Base::begin()
{
    return db().transaction();
}

bool Base::commit()
{
    if (db().commit())
        return true;
    m_error = db().lastError().text();
    db().rollback();
    return false;
}

void Base::rollback()
{
    db().rollback();
}

QSqlQuery& Base::prepared(int which, const QString& sql)
{
    if (m_statements.empty())
        m_statements.resize(Statements);
    if (!m_statements[which]) {
        m_statements[which] = std::make_unique<QSqlQuery>(db());
        m_statements[which]->prepare(sql);
    }
    return *m_statements[which];
}

Base::Incoming Base::prepare(const mailreader::Message& m)
{
    const answertext::Reading reading = answertext::read(m.text);
    if (!reading.isAnswerText() && m.forwarded) {
        const answertext::Reading original = answertext::read(m.forwarded->text);
        if (original.isAnswerText())
            return {*m.forwarded, int(original.readings.size()),
                    columns::cells(original.readings.first())};
    }
    if (!reading.isAnswerText())
        return {m, 0, {}};
    return {m, int(reading.readings.size()), columns::cells(reading.readings.first())};
}

Base::Found Base::found(int which, const QString& sql, const QVariantList& values)
{
    QSqlQuery& q = prepared(which, sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        return fail(q), Found::Failed;
    const bool any = q.next();
    q.finish();
    return any ? Found::Yes : Found::No;
}

Base::Outcome Base::add(const Incoming& in)
{
    const mailreader::Message& m = in.message;
    const QString sender = m.sender.trimmed().toLower();
    const QString received =
        utcText(m.date.isValid() ? m.date : QDateTime::currentDateTimeUtc());

    if (!in.readings) {
        const Found known = found(FindSetAside, QStringLiteral(
            "SELECT 1 FROM set_aside WHERE message_id = ? AND message_id <> ''"), {m.messageId});
        if (known != Found::No)
            return known == Found::Yes ? Outcome::AlreadyThere : Outcome::Failed;
        QSqlQuery& insert = prepared(InsertSetAside, QStringLiteral(
            "INSERT INTO set_aside (message_id, received, sender, subject, reason) "
            "VALUES (?, ?, ?, ?, ?)"));
        const QString reason = m.text.isEmpty()
                                   ? QStringLiteral("aucun texte lisible")
                                   : QStringLiteral("le texte n’est pas celui d’un questionnaire");
        int i = 0;
        for (const QString& v : {m.messageId, received, sender, m.subject, reason})
            insert.bindValue(i++, v);
        return insert.exec() ? Outcome::SetAside : (fail(insert), Outcome::Failed);
    }

    const Found known = found(FindResponse, QStringLiteral(
        "SELECT 1 FROM responses WHERE (message_id = ? AND message_id <> '') "
        "OR (sender = ? AND text = ?)"), {m.messageId, sender, m.text});
    if (known != Found::No)
        return known == Found::Yes ? Outcome::AlreadyThere : Outcome::Failed;

    static const QString insertSql = [] {
        QStringList fields = {QStringLiteral("message_id"), QStringLiteral("received"),
                              QStringLiteral("sender"),     QStringLiteral("establishment"),
                              QStringLiteral("text"),       QStringLiteral("readings")};
        for (const QString& c : columns::names())
            fields << quoted(c);
        return QStringLiteral("INSERT INTO responses (%1) VALUES (%2)")
            .arg(fields.join(QLatin1Char(',')),
                 QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    }();
    if (!m_insert)
        m_insert = std::make_unique<RowInsert>(db(), insertSql);
    const QString establishment = establishmentOf(m.subject);
    int i = 0;
    for (const QString* v : {&m.messageId, &received, &sender, &establishment, &m.text})
        m_insert->bind(i++, *v);
    m_insert->bind(i++, in.readings);
    for (const QString& cell : in.cells)
        m_insert->bind(i++, cell);
    const qlonglong id = m_insert->run(&m_error);
    if (!id)
        return Outcome::Failed;

    // The latest response of a sender stands; the others are kept, marked.
    QSqlQuery& standing = prepared(FindStanding, QStringLiteral(
        "SELECT id, received FROM responses WHERE sender = ? AND id <> ? "
        "AND superseded_by IS NULL"));
    standing.bindValue(0, sender);
    standing.bindValue(1, id);
    if (!standing.exec())
        return fail(standing), Outcome::Failed;
    if (standing.next()) {
        const qlonglong other = standing.value(0).toLongLong();
        const bool newer = received >= standing.value(1).toString();
        standing.finish();
        QSqlQuery& mark = prepared(Mark, QStringLiteral(
            "UPDATE responses SET superseded_by = ? WHERE id = ?"));
        mark.bindValue(0, newer ? id : other);
        mark.bindValue(1, newer ? other : id);
        if (!mark.exec())
            return fail(mark), Outcome::Failed;
    }
    standing.finish();
    return Outcome::Added;
}

int Base::responses() const
{
    QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM responses"), db());
    return q.next() ? q.value(0).toInt() : 0;
}

int Base::setAside() const
{
    QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM set_aside"), db());
    return q.next() ? q.value(0).toInt() : 0;
}

QStringList Base::tableHeader()
{
    return QStringList{QStringLiteral("date"), QStringLiteral("expediteur"),
                       QStringLiteral("etablissement")} +
           columns::names();
}

void Base::forEach(const Filter& filter, const Row& each, bool withSuperseded) const
{
    // Read through SQLite's own interface, in UTF-8: Qt's driver would turn
    // every cell into UTF-16 and back, a hundred cells a row.
    sqlite3* handle = handleOf(db());
    if (!handle)
        return;
    const Where w = whereOf(filter, withSuperseded);
    const QByteArray sql = QStringLiteral("SELECT %1 FROM responses%2 ORDER BY received, id")
                               .arg(selectedColumns().join(QLatin1Char(',')), w.sql)
                               .toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        return;
    QList<QByteArray> values;
    for (qsizetype i = 0; i < w.values.size(); ++i) {
        values << w.values[i].toString().toUtf8();
        sqlite3_bind_text(statement, int(i) + 1, values.last().constData(), int(values.last().size()),
                          SQLITE_STATIC);
    }
    const int n = sqlite3_column_count(statement);
    Cells row(n);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int i = 0; i < n; ++i)
            row[i] = QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)),
                                    sqlite3_column_bytes(statement, i));
        each(row);
    }
    sqlite3_finalize(statement);
}

QList<QStringList> Base::table(bool withSuperseded) const
{
    QList<QStringList> rows;
    forEach(Filter(), [&rows](const Cells& cells) {
        QStringList row;
        for (const QByteArrayView cell : cells)
            row << QString::fromUtf8(cell);
        rows << row;
    }, withSuperseded);
    return rows;
}

int Base::count(const Filter& filter) const
{
    const Where w = whereOf(filter, false);
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM responses") + w.sql);
    for (qsizetype i = 0; i < w.values.size(); ++i)
        q.bindValue(int(i), w.values[i]);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

QSqlQuery Base::select(const Filter& filter, int sortColumn, Qt::SortOrder order) const
{
    const Where w = whereOf(filter, false);
    const QStringList& shown = selectedColumns();
    // The column is named from the list, never from the caller's text.
    const QString key = shown.value(sortColumn, shown.first());
    const QString direction =
        order == Qt::AscendingOrder ? QStringLiteral("ASC") : QStringLiteral("DESC");
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT id,%1 FROM responses%2 ORDER BY %3 %4, id %4")
                  .arg(shown.join(QLatin1Char(',')), w.sql, key, direction));
    for (qsizetype i = 0; i < w.values.size(); ++i)
        q.bindValue(int(i), w.values[i]);
    q.exec();
    return q;
}

Base::Folder Base::folder(const QString& address) const
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT uidvalidity, last_uid, fingerprint FROM mailboxes WHERE address = ?"));
    q.addBindValue(address);
    Folder f;
    if (q.exec() && q.next())
        f = {quint32(q.value(0).toLongLong()), quint32(q.value(1).toLongLong()), q.value(2).toByteArray()};
    return f;
}

bool Base::setFolder(const QString& address, const Folder& folder)
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("INSERT INTO mailboxes (address, uidvalidity, last_uid, used) "
                             "VALUES (?, ?, ?, ?) ON CONFLICT(address) DO UPDATE SET "
                             "uidvalidity = excluded.uidvalidity, last_uid = excluded.last_uid, "
                             "used = excluded.used"));
    q.addBindValue(address);
    q.addBindValue(qlonglong(folder.uidValidity));
    q.addBindValue(qlonglong(folder.lastUid));
    q.addBindValue(utcText(QDateTime::currentDateTimeUtc()));
    return q.exec() || fail(q);
}

bool Base::trust(const QString& address, const QByteArray& fingerprint)
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("INSERT INTO mailboxes (address, uidvalidity, last_uid, fingerprint) "
                             "VALUES (?, 0, 0, ?) ON CONFLICT(address) DO UPDATE SET "
                             "fingerprint = excluded.fingerprint"));
    q.addBindValue(address);
    q.addBindValue(QString::fromLatin1(fingerprint));
    return q.exec() || fail(q);
}

imap::Address Base::lastFolder() const
{
    QSqlQuery q(QStringLiteral("SELECT address FROM mailboxes ORDER BY used DESC LIMIT 1"), db());
    if (q.next())
        if (const std::optional<imap::Address> a = imap::Address::fromUrl(q.value(0).toString()))
            return *a;
    return imap::Address();
}

QSqlQuery Base::selectSetAside() const
{
    QSqlQuery q(db());
    q.exec(QStringLiteral("SELECT received, sender, subject, reason FROM set_aside "
                          "ORDER BY received, id"));
    return q;
}

QStringList Base::establishments() const
{
    QSqlQuery q(QStringLiteral("SELECT DISTINCT establishment FROM responses WHERE "
                               "superseded_by IS NULL AND establishment <> '' "
                               "ORDER BY establishment"),
                db());
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

Base::Response Base::response(qlonglong id) const
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT received, sender, establishment, text, readings, "
                             "superseded_by FROM responses WHERE id = ?"));
    q.bindValue(0, id);
    Response r;
    if (!q.exec() || !q.next())
        return r;
    r.id = id;
    r.received = QDateTime::fromString(q.value(0).toString(), Qt::ISODate);
    r.sender = q.value(1).toString();
    r.establishment = q.value(2).toString();
    r.text = q.value(3).toString();
    r.readings = q.value(4).toInt();
    r.superseded = !q.value(5).isNull();
    return r;
}
