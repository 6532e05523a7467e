#include "tally/exports.h"

#include "storage/privatefiles.h"
#include "tally/csv.h"
#include "tally/xlsx.h"

#include <QFile>
#include <QSaveFile>

namespace exports
{

namespace
{

QStringList headerOf(const Base::Filter& filter, Header header)
{
    return header == Header::Codes ? Base::tableHeader(filter.withReplaced) : Base::tableTitles(filter.withReplaced);
}

} // namespace

bool csv(const Base& base, const Base::Filter& filter, const QString& path, char separator, Header header)
{
    const bool existed = QFile::exists(path);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    privatefiles::protect(out, existed);
    return csv::write(&out, headerOf(filter, header),
                      [&](const Row& row) { base.forEach(filter, row); }, separator) &&
           out.commit();
}

bool xlsx(const Base& base, const Base::Filter& filter, const QString& path, int* cut, Header header)
{
    xlsx::Layout layout;
    layout.header = headerOf(filter, header);
    layout.answersFrom = Base::AnswersFrom;
    layout.replacedColumn = filter.withReplaced ? int(layout.header.size()) - 1 : -1;
    layout.dateColumn = 0;
    return xlsx::write(path, layout, [&](const Row& row) { base.forEach(filter, row); }, cut);
}

} // namespace exports
