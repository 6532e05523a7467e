#include "tally/mailreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

#include <fcntl.h>
#include <gmime/gmime.h>

namespace mailreader
{
namespace
{

void initialise()
{
    static const bool done = (g_mime_init(), true);
    Q_UNUSED(done)
}

QString fromUtf8(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

// The part that holds the message's text: a text/plain part, the one of a
// multipart/alternative, never an attachment.  html: an HTML text was seen.
GMimeTextPart* plainPart(GMimeObject* o, bool inMultipart, bool* html)
{
    if (GMIME_IS_MULTIPART(o)) {
        GMimeMultipart* parts = GMIME_MULTIPART(o);
        for (int i = 0; i < g_mime_multipart_get_count(parts); ++i)
            if (GMimeTextPart* t = plainPart(g_mime_multipart_get_part(parts, i), true, html))
                return t;
        return nullptr;
    }
    if (!GMIME_IS_TEXT_PART(o))
        return nullptr;
    const char* disposition = g_mime_object_get_disposition(o);
    if (inMultipart && disposition && g_ascii_strcasecmp(disposition, "attachment") == 0)
        return nullptr;
    GMimeContentType* type = g_mime_object_get_content_type(o);
    if (g_mime_content_type_is_type(type, "text", "plain"))
        return GMIME_TEXT_PART(o);
    if (g_mime_content_type_is_type(type, "text", "html"))
        *html = true;
    return nullptr;
}

bool parameterIs(GMimeContentType* type, const char* name, const char* value)
{
    const char* v = g_mime_content_type_get_parameter(type, name);
    return v && g_ascii_strcasecmp(v, value) == 0;
}

// The lines of a text, without their line ends, and whether it ended with one.
QStringList linesOf(const QString& text, bool* endsWithBreak)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    *endsWithBreak = lines.size() > 1 && lines.last().isEmpty();
    if (*endsWithBreak)
        lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    return lines;
}

} // namespace

QString unquoteMboxrd(const QString& text)
{
    // Cheap for the usual text, which has no such line.
    if (!text.contains(QLatin1String("From ")))
        return text;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines) {
        qsizetype marks = 0;
        while (marks < l.size() && l[marks] == QLatin1Char('>'))
            ++marks;
        if (marks > 0 && QStringView(l).mid(marks).startsWith(QLatin1String("From ")))
            l.remove(0, 1);
    }
    return lines.join(QLatin1Char('\n'));
}

QString unflow(const QString& text, bool delSp)
{
    bool endsWithBreak = false;
    const QStringList lines = linesOf(text, &endsWithBreak);
    QStringList out;
    bool open = false; // the last line of out goes on in the next one
    int openDepth = 0;
    for (const QString& line : lines) {
        int depth = 0;
        while (depth < line.size() && line[depth] == QLatin1Char('>'))
            ++depth;
        QString content = line.mid(depth);
        if (content.startsWith(QLatin1Char(' ')))
            content.remove(0, 1); // space-stuffing
        // The signature separator is never flowed.
        const bool flowed = content.endsWith(QLatin1Char(' ')) && content != QLatin1String("-- ");
        if (flowed && delSp)
            content.chop(1);
        if (open && depth == openDepth)
            out.last() += content;
        else
            out << QString(depth, QLatin1Char('>')) + content;
        open = flowed;
        openDepth = depth;
    }
    return out.join(QStringLiteral("\r\n")) + (endsWithBreak ? QStringLiteral("\r\n") : QString());
}

namespace
{

// The text of a message as its sender wrote it: the plain part decoded and
// in UTF-8, lines quoted by an mbox ("From " as ">From ") given back, flowed
// lines joined.
QString textOf(GMimeMessage* m, bool fromMbox, Message::Flaw* flaw)
{
    GMimeObject* body = g_mime_message_get_mime_part(m);
    bool html = false;
    GMimeTextPart* part = body ? plainPart(body, false, &html) : nullptr;
    if (!part) {
        if (html)
            *flaw = Message::Flaw::HtmlOnly;
        return QString();
    }
    char* raw = g_mime_text_part_get_text(part);
    QString text = fromUtf8(raw);
    g_free(raw);
    // Base64 has no line of its own that an mbox would quote.
    if (fromMbox && g_mime_part_get_content_encoding(GMIME_PART(part)) != GMIME_CONTENT_ENCODING_BASE64)
        text = unquoteMboxrd(text);
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    if (parameterIs(type, "format", "flowed"))
        text = unflow(text, parameterIs(type, "delsp", "yes"));
    return text;
}

void findForwarded(GMimeObject*, GMimeObject* part, gpointer data)
{
    auto* found = static_cast<GMimeMessage**>(data);
    if (!*found && GMIME_IS_MESSAGE_PART(part))
        *found = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
}

Message convert(GMimeMessage* m, bool fromMbox)
{
    Message out;
    out.messageId = fromUtf8(g_mime_message_get_message_id(m));
    if (GDateTime* date = g_mime_message_get_date(m))
        out.date = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date), Qt::UTC);
    InternetAddressList* from = g_mime_message_get_from(m);
    if (from && internet_address_list_length(from) > 0) {
        InternetAddress* a = internet_address_list_get_address(from, 0);
        if (INTERNET_ADDRESS_IS_MAILBOX(a))
            out.sender = fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    }
    out.subject = fromUtf8(g_mime_message_get_subject(m));
    out.text = textOf(m, fromMbox, &out.flaw);
    GMimeMessage* forwarded = nullptr;
    g_mime_message_foreach(m, findForwarded, &forwarded);
    if (forwarded)
        out.forwarded = std::make_shared<const Message>(convert(forwarded, fromMbox));
    return out;
}

// GMime tells, as it parses, of a message that ends before it should.
void noteTruncation(gint64, GMimeParserWarning warning, const gchar*, gpointer cut)
{
    if (warning == GMIME_WARN_TRUNCATED_MESSAGE)
        *static_cast<bool*>(cut) = true;
}

// One parser over a stream, in the given format, each message with its flaw.
class Parser
{
public:
    Parser(GMimeStream* stream, GMimeFormat format)
        : m_parser(g_mime_parser_new_with_stream(stream)), m_options(g_mime_parser_options_new()),
          m_format(format)
    {
        g_mime_parser_set_format(m_parser, format);
        g_mime_parser_options_set_warning_callback(m_options, noteTruncation, &m_cut);
    }
    ~Parser()
    {
        g_mime_parser_options_free(m_options);
        g_object_unref(m_parser);
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    bool atEnd() { return g_mime_parser_eos(m_parser); }
    // The next message; none when what is left holds none.  cut: what is
    // left was the beginning of a message that ends too soon.
    std::optional<Message> next(bool* cut)
    {
        m_cut = false;
        GMimeMessage* m = g_mime_parser_construct_message(m_parser, m_options);
        *cut = m_cut;
        if (!m)
            return std::nullopt;
        Message out = convert(m, m_format == GMIME_FORMAT_MBOX);
        if (m_cut)
            out.flaw = Message::Flaw::Truncated;
        g_object_unref(m);
        return out;
    }

private:
    GMimeParser* m_parser;
    GMimeParserOptions* m_options;
    GMimeFormat m_format;
    bool m_cut = false;
};

enum class Parsed { Going, Stopped, NoMessage };

// The messages of one file, in the given format.
Parsed parse(const QString& path, GMimeFormat format, const std::function<bool(const Message&)>& each,
             bool* opened)
{
    GError* error = nullptr;
    GMimeStream* stream =
        g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, &error);
    *opened = stream != nullptr;
    if (!stream) {
        g_clear_error(&error);
        return Parsed::Going;
    }
    Parser parser(stream, format);
    g_object_unref(stream);
    Parsed state = Parsed::NoMessage;
    while (!parser.atEnd()) {
        bool cut = false;
        const std::optional<Message> m = parser.next(&cut);
        if (!m) {
            // A message cut in its headers at the end of an mbox is counted.
            if (cut && format == GMIME_FORMAT_MBOX) {
                Message truncated;
                truncated.flaw = Message::Flaw::Truncated;
                if (!each(truncated))
                    return Parsed::Stopped;
            }
            break;
        }
        state = Parsed::Going;
        if (!each(*m))
            return Parsed::Stopped;
        if (format == GMIME_FORMAT_MESSAGE)
            break;
    }
    return format == GMIME_FORMAT_MBOX ? Parsed::Going : state;
}

// Maildir names begin with the delivery's second, then (Dovecot, Postfix)
// its microsecond after an "M": "1796760781.M710963P12451.host".  Sorted
// as numbers, two messages of one second come in the order they arrived,
// which decides which of two responses of one sender stands.
QStringList inDeliveryOrder(QStringList names)
{
    static const QRegularExpression stamp(QStringLiteral("^(\\d+)\\.(?:[^.]*?M(\\d+))?"));
    const auto key = [](const QString& name) {
        const QRegularExpressionMatch m = stamp.match(name);
        return std::make_tuple(m.captured(1).toLongLong(), m.captured(2).toLongLong(), name);
    };
    std::sort(names.begin(), names.end(),
              [&key](const QString& a, const QString& b) { return key(a) < key(b); });
    return names;
}

bool startsAsMbox(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "From ";
}

} // namespace

std::optional<Message> parse(const QByteArray& bytes)
{
    initialise();
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size()));
    Parser parser(stream, GMIME_FORMAT_MESSAGE);
    g_object_unref(stream);
    bool cut = false;
    return parser.next(&cut);
}

Result probe(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QDir(path).exists(QStringLiteral("cur")) || QDir(path).exists(QStringLiteral("new"))
                   ? Result::Read
                   : Result::Unreadable;
    if (!info.isFile() || !QFile(path).open(QIODevice::ReadOnly))
        return Result::Unreadable;
    if (startsAsMbox(path))
        return Result::Read;
    // One message: the first is enough.
    return read(path, [](const Message&) { return false; });
}

Result read(const QString& path, const std::function<bool(const Message&)>& each)
{
    initialise();
    const QFileInfo info(path);
    bool opened = false;
    if (info.isDir()) {
        const QDir maildir(path);
        if (!maildir.exists(QStringLiteral("cur")) && !maildir.exists(QStringLiteral("new")))
            return Result::Unreadable;
        for (const char* sub : {"cur", "new"}) {
            const QDir d(maildir.filePath(QLatin1String(sub)));
            for (const QString& name : inDeliveryOrder(d.entryList(QDir::Files))) {
                const Parsed p = parse(d.filePath(name), GMIME_FORMAT_MESSAGE, each, &opened);
                // A file of a Maildir that holds no message is counted, not skipped.
                if (p == Parsed::NoMessage && opened) {
                    Message damaged;
                    damaged.flaw = Message::Flaw::Truncated;
                    if (!each(damaged))
                        return Result::Read;
                }
                if (p == Parsed::Stopped)
                    return Result::Read;
            }
        }
        return Result::Read;
    }
    if (!info.isFile())
        return Result::Unreadable;
    if (info.size() == 0)
        return Result::NotMailbox;
    const Parsed p = parse(path, startsAsMbox(path) ? GMIME_FORMAT_MBOX : GMIME_FORMAT_MESSAGE, each, &opened);
    if (!opened)
        return Result::Unreadable;
    return p == Parsed::NoMessage ? Result::NotMailbox : Result::Read;
}

} // namespace mailreader
