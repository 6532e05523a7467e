#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// What an IMAP server says, read as RFC 3501 writes it: a response ends at
// the line end that follows no literal, and a literal "{n}" is exactly n
// bytes wherever it stands, whatever they hold (a line that looks like a
// tagged reply inside a message is a message's line).  Quoted strings and
// NIL are taken as well as literals.
namespace imap
{

// One value of a data response.
struct Value {
    enum class Kind { Atom, String, Nil, List };
    Kind kind = Kind::Atom;
    QByteArray text;    // Atom, String: the bytes, unescaped
    QList<Value> items; // List
    bool is(const char* atom) const;
};

struct Response {
    QByteArray tag;    // "*", "+", or the tag of the command it ends
    // Status responses (OK, NO, BAD, BYE, PREAUTH): the status, its
    // bracketed code and the text, as sent.
    QByteArray status;
    QByteArray code;
    QByteArray text;
    // Data responses ("* 3 FETCH (...)", "* SEARCH 1 2", "* CAPABILITY ..."):
    // every value after the tag.
    QList<Value> values;

    bool isStatus() const { return !status.isEmpty(); }
    bool ok() const { return status == "OK" || status == "PREAUTH"; }
};

// Takes the bytes as they arrive; hands out each whole response.
class ResponseReader
{
public:
    void feed(const QByteArray& bytes);
    // The next whole response, none until one has arrived.
    std::optional<Response> next();
    // Bytes held that belong to a response not yet whole: a close or a
    // silence now cuts one short.
    bool midResponse() const { return !m_buffer.isEmpty(); }
    // Whether the response under way is inside a literal.
    bool inLiteral() const { return m_literalEnd > 0; }

private:
    QByteArray m_buffer;
    qsizetype m_scanned = 0;    // the bytes before this are whole lines and literals
    qsizetype m_literalEnd = 0; // inside a literal: where it ends
};

// One response's bytes, without its last line end, read into values.
Response parse(const QByteArray& bytes);

} // namespace imap
