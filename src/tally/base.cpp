#include "tally/base.h"

#include "answers/answertext.h"
#include "answers/columns.h"
#include "answers/questions.h"
#include "storage/privatefiles.h"

#include <QAtomicInt>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>

#include <tuple>

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
        // 4: a response belongs to the teacher of its section F, and its
        // establishment is section F's; the subject's name kept apart.  The
        // messages set aside without a Message-ID are known by a digest.
        // Base::fillFromTexts() fills the new columns of older responses.
        {
            QStringLiteral("ALTER TABLE responses RENAME COLUMN establishment TO subject_name"),
            QStringLiteral("ALTER TABLE responses ADD COLUMN establishment TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE responses ADD COLUMN teacher TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE responses ADD COLUMN answered INTEGER NOT NULL DEFAULT 0"),
            QStringLiteral("ALTER TABLE set_aside ADD COLUMN digest TEXT"),
            // The one response of each teacher that stands, and what replaced
            // the others: a look-up each, however many responses there are.
            QStringLiteral("CREATE INDEX responses_standing ON responses(teacher) WHERE superseded_by IS NULL"),
            QStringLiteral("CREATE INDEX responses_replaced ON responses(superseded_by) "
                           "WHERE superseded_by IS NOT NULL"),
            QStringLiteral("CREATE INDEX set_aside_digest ON set_aside(digest)"),
        },
        // 5: a message set aside keeps its text, for the window to show it.
        {
            QStringLiteral("ALTER TABLE set_aside ADD COLUMN text TEXT"),
        },
    };
}
constexpr int TeacherVersion = 4;

// "Questionnaire ( M. Dupont )": the name between the brackets.
QString subjectNameOf(const QString& subject)
{
    static const QRegularExpression form(QStringLiteral("^\\s*Questionnaire \\( (.*) \\)\\s*$"));
    const QRegularExpressionMatch m = form.match(subject);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Compared without case, accents, typographic apostrophes or extra spaces.
QString utcText(const QDateTime& t)
{
    return t.toUTC().toString(Qt::ISODate);
}

// The SQL condition of a filter, with its values in order.
struct Where {
    QString sql;
    QStringList values;
};

Where whereOf(const Base::Filter& f)
{
    QStringList terms;
    Where w;
    if (!f.withReplaced)
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
    // The column is named from the list, never from the caller's text.
    if (f.answerColumn >= 0 && f.answerColumn < columns::names().size()) {
        terms << QStringLiteral("IFNULL(%1, '') = ?").arg(quoted(columns::names()[f.answerColumn]));
        w.values << f.answerValue;
    }
    if (!terms.isEmpty())
        w.sql = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    return w;
}

// The table's columns as the base names them.
QStringList selectedColumns(bool withReplaced)
{
    QStringList s = {QStringLiteral("received"), QStringLiteral("sender"),
                     QStringLiteral("establishment"), QStringLiteral("subject_name")};
    for (const QString& name : columns::names())
        s << quoted(name);
    if (withReplaced)
        s << QStringLiteral("id") << QStringLiteral("superseded_by");
    return s;
}

sqlite::Statement bound(sqlite3* db, const QString& sql, const QStringList& values)
{
    sqlite::Statement s(db, sql);
    for (int i = 0; i < values.size(); ++i)
        s.bind(i, values[i]);
    return s;
}

enum Statement {
    FindSetAside,
    FindDigest,
    InsertSetAside,
    FindResponse,
    InsertResponse,
    Standing,
    Mark,
    Statements
};

} // namespace

Base::Base() = default;

Base::~Base()
{
    m_statements.clear();
    sqlite3_close_v2(m_db);
}

bool Base::failed()
{
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("pas de base");
    return false;
}

bool Base::exec(const QString& sql)
{
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK ||
           failed();
}

sqlite::Statement& Base::statement(int which, const char* sql)
{
    if (m_statements.empty())
        m_statements.resize(Statements);
    if (!m_statements[which])
        m_statements[which] = std::make_unique<sqlite::Statement>(m_db, QString::fromUtf8(sql));
    return *m_statements[which];
}

bool Base::open(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    // The answers, names and addresses are the user's alone: a new base is
    // created private, and SQLite gives its journal files the base's mode.
    privatefiles::createFile(path);
    // SQLite counts its memory under a lock at every allocation unless told
    // not to, before its first use; nothing here reads those counts.
    static const bool quiet = (sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0), true);
    Q_UNUSED(quiet)
    // A connection is used by one thread at a time (an import opens its
    // own): SQLite need not lock it at every call.
    if (sqlite3_open_v2(file.constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        return failed();
    m_path = path;
    // Another program importing holds the base for a batch: wait for it.
    sqlite3_busy_timeout(m_db, 30000);
    // In WAL mode, NORMAL keeps every batch whole through a crash or a kill;
    // only a power cut may lose the last batches, which a second import takes.
    if (!exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return false;
    // An import looks up every message among those before it: the pages of
    // its indexes stay in memory rather than being read again, a system
    // call each.
    exec(QStringLiteral("PRAGMA cache_size=-16384"));
    // Fewer checkpoints, each a sync of its own: the journal may grow to
    // some 40 MiB during a large import before it is copied into the base.
    exec(QStringLiteral("PRAGMA wal_autocheckpoint=10000"));
    if (!migrate())
        return false;
    changedElsewhere();
    return true;
}

bool Base::migrate()
{
    const auto version = [this]() {
        sqlite::Statement q(m_db, QStringLiteral("PRAGMA user_version"));
        return q.next() ? int(q.integer(0)) : -1;
    };
    const QList<QStringList> all = steps();
    int found = version();
    if (found == all.size())
        return true;
    // Another program may be opening the same new base: the version is read
    // again under the write lock, and the steps run once.
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    found = version();
    if (found < 0 || found > all.size()) {
        if (found < 0)
            failed();
        else
            m_error = QStringLiteral("base d’une version plus récente du programme");
        exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    bool ok = true;
    for (qsizetype v = found; ok && v < all.size(); ++v)
        for (const QString& step : all[v])
            ok = ok && exec(step);
    if (ok && found > 0 && found < TeacherVersion)
        ok = fillFromTexts();
    ok = ok && exec(QStringLiteral("PRAGMA user_version = %1").arg(all.size())) &&
         exec(QStringLiteral("COMMIT"));
    if (!ok) {
        const QString why = m_error;
        exec(QStringLiteral("ROLLBACK"));
        m_error = why;
    }
    return ok;
}

bool Base::fillFromTexts()
{
    sqlite::Statement rows(m_db, QStringLiteral("SELECT id, sender, text FROM responses"));
    sqlite::Statement set(m_db, QStringLiteral(
        "UPDATE responses SET teacher = ?, establishment = ?, answered = ? WHERE id = ?"));
    while (rows.next()) {
        mailreader::Message m;
        m.sender = rows.text(1);
        m.text = rows.text(2);
        const Incoming in = prepare(m);
        if (!set.bind(0, in.teacher).bind(1, in.establishment).bind(2, qint64(in.answered))
                 .bind(3, rows.integer(0)).run())
            return failed();
    }
    return !rows.failed() ? settleAll() : failed();
}

bool Base::begin()
{
    // The write lock at once: a read first, then a write, would fail at once
    // when another program writes meanwhile, without waiting.
    return exec(QStringLiteral("BEGIN IMMEDIATE"));
}

bool Base::commit()
{
    if (exec(QStringLiteral("COMMIT")))
        return true;
    const QString why = m_error;
    rollback();
    m_error = why;
    return false;
}

void Base::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Base::changedElsewhere()
{
    sqlite::Statement q(m_db, QStringLiteral("PRAGMA data_version"));
    const qint64 now = q.next() ? q.integer(0) : m_dataVersion;
    const bool changed = m_dataVersion >= 0 && now != m_dataVersion;
    m_dataVersion = now;
    return changed;
}

static QString receivedOf(const mailreader::Message& m)
{
    return utcText(m.date.isValid() ? m.date : QDateTime::currentDateTimeUtc());
}

Base::Incoming Base::prepare(const mailreader::Message& m)
{
    Incoming in;
    in.message = m;
    if (!m.reason.isEmpty())
        return in;
    answertext::Reading reading = answertext::read(m.text);
    if (!reading.isAnswerText() && m.forwarded) {
        answertext::Reading original = answertext::read(m.forwarded->text);
        if (original.isAnswerText()) {
            reading = std::move(original);
            in.message = *m.forwarded;
        }
    }
    if (!reading.isAnswerText())
        return in;
    const answertext::Answers& first = reading.readings.first();
    in.readings = int(reading.readings.size());
    in.answered = answertext::answersAnything(first);
    const answertext::Contact contact = answertext::contactOf(first);
    in.establishment = contact.establishment.simplified();
    const QString name = answertext::folded(contact.name);
    const QString where = answertext::folded(contact.establishment);
    // Section F says who answered; without it, the address it came from.
    const QString sender = in.message.sender.trimmed().toLower();
    in.teacher = name.isEmpty() && where.isEmpty() ? QStringLiteral("@") + sender
                                                   : name + QLatin1Char('\n') + where;
    const QStringList cells = columns::cells(first);
    in.rowEnds.reserve(size_t(Incoming::Answers + cells.size()));
    in.rowData.reserve(in.message.text.size() * 2 + 1024);
    for (const QString& field : {in.message.messageId, receivedOf(in.message), sender,
                                 subjectNameOf(in.message.subject), in.establishment, in.teacher,
                                 in.message.text})
        in.append(field);
    for (const QString& cell : cells)
        in.append(cell);
    return in;
}

Base::Outcome Base::add(const Incoming& in)
{
    // A message cut short is never read for answers it may have lost.
    if (!in.readings || in.message.flaw == mailreader::Message::Flaw::Truncated)
        return addSetAside(in, receivedOf(in.message));
    return addResponse(in);
}

Base::Outcome Base::addSetAside(const Incoming& in, const QString& received)
{
    using Flaw = mailreader::Message::Flaw;
    const mailreader::Message& m = in.message;
    const QString reason = !m.reason.isEmpty()        ? m.reason
                           : m.flaw == Flaw::Truncated  ? QStringLiteral("message tronqué")
                           : m.flaw == Flaw::HtmlOnly ? QStringLiteral("message en HTML seulement")
                           : m.text.isEmpty()         ? QStringLiteral("aucun texte lisible")
                                  : QStringLiteral("le texte n’est pas celui d’un questionnaire");
    const QString sender = m.sender.trimmed().toLower();
    // Known by its Message-ID, else by what it says.
    QString digest;
    sqlite::Statement* find = nullptr;
    if (!m.messageId.isEmpty()) {
        find = &statement(FindSetAside, "SELECT 1 FROM set_aside WHERE message_id = ?");
        find->bind(0, m.messageId);
    } else {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const QString& part : {sender, m.date.isValid() ? received : QString(), m.subject, m.text, reason}) {
            hash.addData(part.toUtf8());
            hash.addData(QByteArrayView("\0", 1));
        }
        digest = QString::fromLatin1(hash.result().toHex());
        find = &statement(FindDigest, "SELECT 1 FROM set_aside WHERE digest = ?");
        find->bind(0, digest);
    }
    const bool known = find->next();
    const bool findFailed = find->failed();
    find->reset();
    if (findFailed)
        return failed(), Outcome::Failed;
    if (known)
        return Outcome::AlreadyThere;
    sqlite::Statement& insert = statement(InsertSetAside,
        "INSERT INTO set_aside (message_id, received, sender, subject, reason, digest, text) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)");
    insert.bind(0, m.messageId).bind(1, received).bind(2, sender).bind(3, m.subject).bind(4, reason);
    insert.bind(6, m.text);
    if (digest.isEmpty())
        insert.bindNull(5);
    else
        insert.bind(5, digest);
    return insert.run() ? Outcome::SetAside : (failed(), Outcome::Failed);
}

Base::Outcome Base::addResponse(const Incoming& in)
{
    using F = Incoming::Fields;
    sqlite::Statement& find = statement(FindResponse,
        "SELECT 1 FROM responses WHERE (message_id = ? AND message_id <> '') "
        "OR (sender = ? AND text = ?)");
    find.bind(0, in.field(F::MessageId)).bind(1, in.field(F::Sender)).bind(2, in.field(F::Text));
    const bool known = find.next();
    const bool findFailed = find.failed();
    find.reset();
    if (findFailed)
        return failed(), Outcome::Failed;
    if (known)
        return Outcome::AlreadyThere;

    // In the order of Incoming::Fields, then the answers.
    static const QByteArray insertSql = [] {
        QStringList fields = {QStringLiteral("message_id"),   QStringLiteral("received"),
                              QStringLiteral("sender"),       QStringLiteral("subject_name"),
                              QStringLiteral("establishment"), QStringLiteral("teacher"),
                              QStringLiteral("text"),         QStringLiteral("answered"),
                              QStringLiteral("readings")};
        for (const QString& c : columns::names())
            fields << quoted(c);
        return QStringLiteral("INSERT INTO responses (%1) VALUES (%2)")
            .arg(fields.join(QLatin1Char(',')),
                 QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(',')))
            .toUtf8();
    }();
    sqlite::Statement& insert = statement(InsertResponse, insertSql.constData());
    int i = 0;
    for (int f = F::MessageId; f < F::Answers; ++f)
        insert.bind(i++, in.field(f));
    insert.bind(i++, qint64(in.answered));
    insert.bind(i++, qint64(in.readings));
    for (int c = F::Answers; c < in.fields(); ++c)
        insert.bind(i++, in.field(c));
    if (!insert.run())
        return failed(), Outcome::Failed;
    return settle(sqlite3_last_insert_rowid(m_db), in) ? Outcome::Added : Outcome::Failed;
}

namespace
{

// The order in which a teacher's responses stand: one that answers over one
// that answers nothing, then the later, then the one imported last.
struct Rank {
    bool answered;
    QByteArray received;
    qint64 id;
    bool operator<(const Rank& o) const
    {
        return std::tie(answered, received, id) < std::tie(o.answered, o.received, o.id);
    }
};

} // namespace

bool Base::settle(qint64 id, const Incoming& in)
{
    // Each replaced response points at the one that replaced it: one row
    // changes, however many responses the teacher sent.
    sqlite::Statement& standing = statement(Standing,
        "SELECT id, answered, received FROM responses WHERE teacher = ? AND superseded_by IS NULL "
        "AND id <> ?");
    standing.bind(0, in.field(Incoming::Teacher)).bind(1, id);
    std::optional<Rank> other;
    if (standing.next())
        other = Rank{standing.integer(1) != 0, standing.bytes(2).toByteArray(), standing.integer(0)};
    const bool readFailed = standing.failed();
    standing.reset();
    if (readFailed)
        return failed();
    if (!other)
        return true;
    const Rank added{in.answered, in.field(Incoming::Received).toByteArray(), id};
    const bool wins = *other < added;
    sqlite::Statement& mark = statement(Mark, "UPDATE responses SET superseded_by = ? WHERE id = ?");
    return mark.bind(0, wins ? added.id : other->id).bind(1, wins ? other->id : added.id).run() || failed();
}

bool Base::settleAll()
{
    // Every teacher's responses together, one teacher after the other.
    sqlite::Statement rows(m_db, QStringLiteral(
        "SELECT id, answered, superseded_by, received, teacher FROM responses ORDER BY teacher"));
    struct Seen {
        qint64 replacedBy;
        Rank rank;
    };
    QList<Seen> group;
    QByteArray teacher;
    sqlite::Statement& mark = statement(Mark, "UPDATE responses SET superseded_by = ? WHERE id = ?");
    // The best of a group stands; every other one points at it.
    const auto settleGroup = [&]() {
        if (group.isEmpty())
            return true;
        Rank best = group.first().rank;
        for (const Seen& s : group)
            if (best < s.rank)
                best = s.rank;
        for (const Seen& s : group) {
            const qint64 by = s.rank.id == best.id ? 0 : best.id;
            if (by == s.replacedBy)
                continue;
            if (by)
                mark.bind(0, by);
            else
                mark.bindNull(0);
            if (!mark.bind(1, s.rank.id).run())
                return false;
        }
        group.clear();
        return true;
    };
    while (rows.next()) {
        if (rows.bytes(4) != teacher && !settleGroup())
            return failed();
        teacher = rows.bytes(4).toByteArray();
        group.append({rows.integer(2), Rank{rows.integer(1) != 0, rows.bytes(3).toByteArray(), rows.integer(0)}});
    }
    return !rows.failed() && settleGroup() ? true : failed();
}

int Base::responses() const
{
    sqlite::Statement q(m_db, QStringLiteral("SELECT COUNT(*) FROM responses"));
    return q.next() ? int(q.integer(0)) : 0;
}

int Base::setAside() const
{
    sqlite::Statement q(m_db, QStringLiteral("SELECT COUNT(*) FROM set_aside"));
    return q.next() ? int(q.integer(0)) : 0;
}

QStringList Base::tableTitles(bool withReplaced)
{
    QStringList h = {QStringLiteral("Date"), QStringLiteral("Expéditeur"), QStringLiteral("Établissement"),
                     QStringLiteral("Nom (objet)")};
    for (int c = 0; c < columns::names().size(); ++c)
        h << questions::header(c);
    if (withReplaced)
        h << QStringLiteral("n°") << QStringLiteral("remplacée par");
    return h;
}

QStringList Base::tableHeader(bool withReplaced)
{
    QStringList h = QStringList{QStringLiteral("date"), QStringLiteral("expediteur"),
                                QStringLiteral("etablissement"), QStringLiteral("nom_objet")} +
                    columns::names();
    if (withReplaced)
        h << QStringLiteral("n°") << QStringLiteral("remplacée par");
    return h;
}

void Base::forEach(const Filter& filter, const Row& each) const
{
    const Where w = whereOf(filter);
    sqlite::Statement q = bound(m_db, QStringLiteral("SELECT %1 FROM responses%2 ORDER BY received, id")
                                          .arg(selectedColumns(filter.withReplaced).join(QLatin1Char(',')), w.sql),
                                w.values);
    const int n = q.columns();
    Cells row(n);
    while (q.next()) {
        for (int i = 0; i < n; ++i)
            row[i] = q.bytes(i);
        each(row);
    }
}

QList<QStringList> Base::table(bool withReplaced) const
{
    QList<QStringList> rows;
    Filter all;
    all.withReplaced = withReplaced;
    forEach(all, [&rows](const Cells& cells) {
        QStringList row;
        for (const QByteArrayView cell : cells)
            row << QString::fromUtf8(cell);
        rows << row;
    });
    return rows;
}

std::vector<qint64> Base::ids(const Filter& filter) const
{
    const Where w = whereOf(filter);
    sqlite::Statement q = bound(m_db, QStringLiteral("SELECT id FROM responses") + w.sql, w.values);
    std::vector<qint64> out;
    while (q.next())
        out.push_back(q.integer(0));
    return out;
}

void Base::forEachStanding(const std::function<void(qint64 id, const Cells& answers)>& each) const
{
    QStringList answers;
    for (const QString& name : columns::names())
        answers << quoted(name);
    sqlite::Statement q(m_db, QStringLiteral("SELECT id, %1 FROM responses WHERE superseded_by IS NULL")
                                  .arg(answers.join(QLatin1Char(','))));
    const int n = q.columns() - 1;
    Cells row(n);
    while (q.next()) {
        for (int i = 0; i < n; ++i)
            row[i] = q.bytes(i + 1);
        each(q.integer(0), row);
    }
}

int Base::count(const Filter& filter) const
{
    const Where w = whereOf(filter);
    sqlite::Statement q = bound(m_db, QStringLiteral("SELECT COUNT(*) FROM responses") + w.sql, w.values);
    return q.next() ? int(q.integer(0)) : 0;
}

sqlite::Statement Base::select(const Filter& filter, int sortColumn, Qt::SortOrder order) const
{
    const Where w = whereOf(filter);
    const QStringList shown = selectedColumns(false);
    // The column is named from the list, never from the caller's text.
    const QString key = shown.value(sortColumn, shown.first());
    const QString direction =
        order == Qt::AscendingOrder ? QStringLiteral("ASC") : QStringLiteral("DESC");
    return bound(m_db,
                 QStringLiteral("SELECT id, %1, superseded_by IS NOT NULL FROM responses%2 ORDER BY %3 %4, id %4")
                     .arg(shown.join(QLatin1Char(',')), w.sql, key, direction),
                 w.values);
}

Base::Folder Base::folder(const QString& address) const
{
    sqlite::Statement q(m_db, QStringLiteral(
        "SELECT uidvalidity, last_uid, fingerprint FROM mailboxes WHERE address = ?"));
    q.bind(0, address);
    Folder f;
    if (q.next())
        f = {quint32(q.integer(0)), quint32(q.integer(1)), q.bytes(2).toByteArray()};
    return f;
}

bool Base::setFolder(const QString& address, const Folder& folder)
{
    sqlite::Statement q(m_db, QStringLiteral(
        "INSERT INTO mailboxes (address, uidvalidity, last_uid, used) "
        "VALUES (?, ?, ?, ?) ON CONFLICT(address) DO UPDATE SET "
        "uidvalidity = excluded.uidvalidity, last_uid = excluded.last_uid, used = excluded.used"));
    q.bind(0, address).bind(1, qint64(folder.uidValidity)).bind(2, qint64(folder.lastUid))
        .bind(3, utcText(QDateTime::currentDateTimeUtc()));
    return q.run() || failed();
}

bool Base::trust(const QString& address, const QByteArray& fingerprint)
{
    sqlite::Statement q(m_db, QStringLiteral(
        "INSERT INTO mailboxes (address, uidvalidity, last_uid, fingerprint) "
        "VALUES (?, 0, 0, ?) ON CONFLICT(address) DO UPDATE SET fingerprint = excluded.fingerprint"));
    q.bind(0, address).bind(1, QString::fromLatin1(fingerprint));
    return q.run() || failed();
}

QString Base::lastFolder() const
{
    sqlite::Statement q(m_db, QStringLiteral("SELECT address FROM mailboxes ORDER BY used DESC LIMIT 1"));
    return q.next() ? q.text(0) : QString();
}

sqlite::Statement Base::selectSetAside() const
{
    return sqlite::Statement(m_db, QStringLiteral(
        "SELECT id, received, sender, subject, reason FROM set_aside ORDER BY received, id"));
}

Base::SetAside Base::setAsideMessage(qlonglong id) const
{
    sqlite::Statement q(m_db, QStringLiteral(
        "SELECT received, sender, subject, reason, text IS NOT NULL, text FROM set_aside WHERE id = ?"));
    q.bind(0, qint64(id));
    SetAside m;
    if (!q.next())
        return m;
    m.id = id;
    m.received = QDateTime::fromString(q.text(0), Qt::ISODate);
    m.sender = q.text(1);
    m.subject = q.text(2);
    m.reason = q.text(3);
    m.kept = q.integer(4) != 0;
    m.text = q.text(5);
    return m;
}

std::pair<QDate, QDate> Base::period(const Filter& filter) const
{
    const Where w = whereOf(filter);
    sqlite::Statement q = bound(m_db, QStringLiteral("SELECT MIN(received), MAX(received) FROM responses") + w.sql,
                                w.values);
    if (!q.next())
        return {};
    const auto day = [](const QString& s) { return QDateTime::fromString(s, Qt::ISODate).toLocalTime().date(); };
    return {day(q.text(0)), day(q.text(1))};
}

QStringList Base::establishments() const
{
    sqlite::Statement q(m_db, QStringLiteral(
        "SELECT DISTINCT establishment FROM responses WHERE superseded_by IS NULL "
        "AND establishment <> '' ORDER BY establishment"));
    QStringList out;
    while (q.next())
        out << q.text(0);
    return out;
}

Base::Response Base::response(qlonglong id) const
{
    sqlite::Statement q(m_db, QStringLiteral(
        "SELECT received, sender, subject_name, establishment, text, readings, superseded_by "
        "FROM responses WHERE id = ?"));
    q.bind(0, qint64(id));
    Response r;
    if (!q.next())
        return r;
    const auto date = [](const QString& s) { return QDateTime::fromString(s, Qt::ISODate); };
    r.id = id;
    r.received = date(q.text(0));
    r.sender = q.text(1);
    r.subjectName = q.text(2);
    r.establishment = q.text(3);
    r.text = q.text(4);
    r.readings = int(q.integer(5));
    r.replacedBy = q.integer(6);
    sqlite::Statement others(m_db, QStringLiteral(
        "SELECT id, received, sender FROM responses WHERE superseded_by = ? OR id = ? ORDER BY received, id"));
    others.bind(0, qint64(id)).bind(1, r.replacedBy);
    while (others.next()) {
        const Response::Other o{others.integer(0), date(others.text(1)), others.text(2)};
        if (o.id == r.replacedBy)
            r.replacer = o;
        else
            r.replaced << o;
    }
    return r;
}
