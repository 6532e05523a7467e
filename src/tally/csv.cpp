#include "tally/csv.h"

namespace csv
{
namespace
{

// What a spreadsheet takes for the start of a formula (or of a line of its
// own) at the beginning of a cell.
bool formulaStart(char c)
{
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

void field(QByteArray& out, QByteArrayView f, char separator)
{
    // Such a cell is written after an apostrophe, inside quotes, so that a
    // spreadsheet shows it as text and never runs it.  A cell that begins
    // with an apostrophe before such a character gets one too, so that a
    // script removes exactly one from every cell that shows this pair.
    const bool guarded =
        !f.isEmpty() && (formulaStart(f[0]) || (f[0] == '\'' && f.size() > 1 && formulaStart(f[1])));
    bool quote = guarded;
    for (const char c : f)
        quote = quote || c == separator || c == '"' || c == '\n' || c == '\r';
    if (!quote) {
        out += f;
        return;
    }
    out += guarded ? "\"'" : "\"";
    for (const char c : f) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void line(QByteArray& out, const Cells& fields, char separator)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        field(out, fields[i], separator);
    }
    out += "\r\n";
}

} // namespace

bool write(QIODevice* out, const QStringList& header, const Rows& rows, char separator)
{
    QByteArray buffer = "\xEF\xBB\xBF";
    QList<QByteArray> names;
    for (const QString& name : header)
        names << name.toUtf8();
    line(buffer, Cells(names.cbegin(), names.cend()), separator);
    bool ok = true;
    // Written a few hundred kilobytes at a time.
    rows([&](const Cells& row) {
        line(buffer, row, separator);
        if (buffer.size() > (1 << 18)) {
            ok = ok && out->write(buffer) == buffer.size();
            buffer.clear();
        }
    });
    return ok && out->write(buffer) == buffer.size();
}

} // namespace csv
