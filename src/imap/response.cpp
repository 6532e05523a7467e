#include "imap/response.h"

namespace imap
{

bool Value::is(const char* atom) const
{
    return kind == Kind::Atom && text.compare(atom, Qt::CaseInsensitive) == 0;
}

void ResponseReader::feed(const QByteArray& bytes)
{
    m_buffer += bytes;
}

namespace
{

// "{123}" or "{123+}" at the end of a line: the literal's size; -1 else.
qint64 literalAt(const QByteArray& line)
{
    if (!line.endsWith('}'))
        return -1;
    const qsizetype open = line.lastIndexOf('{');
    if (open < 0)
        return -1;
    QByteArray digits = line.mid(open + 1, line.size() - open - 2);
    if (digits.endsWith('+'))
        digits.chop(1);
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok && n >= 0 && !digits.isEmpty() && digits.size() <= 12 ? n : -1;
}

} // namespace

std::optional<Response> ResponseReader::next()
{
    for (;;) {
        if (m_literalEnd > 0) {
            if (m_buffer.size() < m_literalEnd)
                return std::nullopt;
            m_scanned = m_literalEnd;
            m_literalEnd = 0;
        }
        const qsizetype end = m_buffer.indexOf("\r\n", m_scanned);
        if (end < 0)
            return std::nullopt;
        // The line so far: from the last literal's end (or the start).
        const qint64 size = literalAt(m_buffer.mid(m_scanned, end - m_scanned));
        if (size >= 0) {
            m_literalEnd = end + 2 + size;
            continue;
        }
        const QByteArray whole = m_buffer.left(end);
        m_buffer.remove(0, end + 2);
        m_scanned = 0;
        return parse(whole);
    }
}

namespace
{

class Parser
{
public:
    explicit Parser(const QByteArray& b) : m_b(b) {}

    bool atEnd()
    {
        skipSpaces();
        return m_at >= m_b.size();
    }
    QByteArray word()
    {
        skipSpaces();
        const qsizetype from = m_at;
        while (m_at < m_b.size() && m_b[m_at] != ' ')
            ++m_at;
        return m_b.mid(from, m_at - from);
    }
    QByteArray rest()
    {
        skipSpaces();
        return m_b.mid(m_at);
    }
    // "[CODE ...]" at this point, without its brackets; nothing when none.
    QByteArray code()
    {
        skipSpaces();
        if (m_at >= m_b.size() || m_b[m_at] != '[')
            return QByteArray();
        const qsizetype close = m_b.indexOf(']', m_at);
        if (close < 0)
            return QByteArray();
        const QByteArray c = m_b.mid(m_at + 1, close - m_at - 1);
        m_at = close + 1;
        return c;
    }
    QList<Value> values(char until)
    {
        QList<Value> out;
        while (!atEnd()) {
            if (m_b[m_at] == until) {
                ++m_at;
                return out;
            }
            out << value();
        }
        return out;
    }

private:
    void skipSpaces()
    {
        while (m_at < m_b.size() && m_b[m_at] == ' ')
            ++m_at;
    }
    Value value()
    {
        Value v;
        const char c = m_b[m_at];
        if (c == '(') {
            ++m_at;
            v.kind = Value::Kind::List;
            v.items = values(')');
            return v;
        }
        if (c == '"') {
            v.kind = Value::Kind::String;
            for (++m_at; m_at < m_b.size() && m_b[m_at] != '"'; ++m_at) {
                if (m_b[m_at] == '\\' && m_at + 1 < m_b.size())
                    ++m_at;
                v.text += m_b[m_at];
            }
            ++m_at; // the closing quote
            return v;
        }
        if (c == '{') {
            const qsizetype close = m_b.indexOf('}', m_at);
            const qint64 size = close < 0 ? -1 : literalAt(m_b.mid(m_at, close - m_at + 1));
            if (size >= 0 && close + 3 <= m_b.size()) {
                v.kind = Value::Kind::String;
                v.text = m_b.mid(close + 3, size); // after "}\r\n"
                m_at = close + 3 + size;
                return v;
            }
        }
        // An atom, with any bracketed part it holds ("BODY[HEADER (X)]<0>").
        const qsizetype from = m_at;
        int depth = 0;
        for (; m_at < m_b.size(); ++m_at) {
            const char d = m_b[m_at];
            if (d == '[')
                ++depth;
            else if (d == ']' && depth > 0)
                --depth;
            else if (depth == 0 && (d == ' ' || d == '(' || d == ')'))
                break;
        }
        if (m_at == from)
            ++m_at; // a lone ")" where none was opened: passed over
        v.text = m_b.mid(from, m_at - from);
        if (v.is("NIL"))
            v = Value{Value::Kind::Nil, {}, {}};
        return v;
    }

    const QByteArray& m_b;
    qsizetype m_at = 0;
};

bool isStatus(const QByteArray& word)
{
    for (const char* s : {"OK", "NO", "BAD", "BYE", "PREAUTH"})
        if (word.compare(s, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

Response parse(const QByteArray& bytes)
{
    Response r;
    Parser p(bytes);
    r.tag = p.word();
    if (r.tag == "+") {
        r.text = p.rest();
        return r;
    }
    const QByteArray second = p.word();
    if (isStatus(second)) {
        r.status = second.toUpper();
        r.code = p.code();
        r.text = p.rest();
        return r;
    }
    r.values << Value{Value::Kind::Atom, second, {}};
    r.values += p.values('\0');
    return r;
}

} // namespace imap
