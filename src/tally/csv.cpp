#include "tally/csv.h"

namespace csv
{

QByteArray line(const QStringList& fields, QChar separator)
{
    QByteArray out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator.toLatin1();
        const QString& f = fields[i];
        if (f.contains(separator) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n')) ||
            f.contains(QLatin1Char('\r')))
            out += '"' + QString(f).replace(QLatin1Char('"'), QStringLiteral("\"\"")).toUtf8() + '"';
        else
            out += f.toUtf8();
    }
    return out + "\r\n";
}

bool write(QIODevice* out, const QStringList& header, const Rows& rows, QChar separator)
{
    bool ok = out->write("\xEF\xBB\xBF") == 3 && out->write(line(header, separator)) >= 0;
    rows([&](const QStringList& row) { ok = ok && out->write(line(row, separator)) >= 0; });
    return ok;
}

} // namespace csv
