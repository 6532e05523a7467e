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

// A text part's content, decoded and in UTF-8; nothing for any other part.
QString textOf(GMimeObject* part)
{
    if (!part || !GMIME_IS_TEXT_PART(part))
        return QString();
    char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(part));
    const QString out = fromUtf8(text);
    g_free(text);
    return out;
}

void findForwarded(GMimeObject*, GMimeObject* part, gpointer data)
{
    auto* found = static_cast<GMimeMessage**>(data);
    if (!*found && GMIME_IS_MESSAGE_PART(part))
        *found = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
}

Message convert(GMimeMessage* m)
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
    out.text = textOf(g_mime_message_get_body(m));
    GMimeMessage* forwarded = nullptr;
    g_mime_message_foreach(m, findForwarded, &forwarded);
    if (forwarded)
        out.forwarded = std::make_shared<const Message>(convert(forwarded));
    return out;
}

// The messages of one stream, in the given format; false when each stopped.
bool parse(const QString& path, GMimeFormat format, const std::function<bool(const Message&)>& each,
           bool* opened)
{
    GError* error = nullptr;
    GMimeStream* stream =
        g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, &error);
    *opened = stream != nullptr;
    if (!stream) {
        g_clear_error(&error);
        return true;
    }
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    g_mime_parser_set_format(parser, format);
    bool going = true;
    while (going && !g_mime_parser_eos(parser)) {
        GMimeMessage* m = g_mime_parser_construct_message(parser, nullptr);
        if (!m)
            break; // what is left is no message
        going = each(convert(m));
        g_object_unref(m);
        if (format == GMIME_FORMAT_MESSAGE)
            break;
    }
    g_object_unref(parser);
    g_object_unref(stream);
    return going;
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
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    g_mime_parser_set_format(parser, GMIME_FORMAT_MESSAGE);
    GMimeMessage* m = g_mime_parser_construct_message(parser, nullptr);
    std::optional<Message> out;
    if (m) {
        out = convert(m);
        g_object_unref(m);
    }
    g_object_unref(parser);
    g_object_unref(stream);
    return out;
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
            for (const QString& name : inDeliveryOrder(d.entryList(QDir::Files)))
                if (!parse(d.filePath(name), GMIME_FORMAT_MESSAGE, each, &opened))
                    return Result::Read;
        }
        return Result::Read;
    }
    if (!info.isFile())
        return Result::Unreadable;
    parse(path, startsAsMbox(path) ? GMIME_FORMAT_MBOX : GMIME_FORMAT_MESSAGE, each, &opened);
    return opened ? Result::Read : Result::Unreadable;
}

} // namespace mailreader
