#include "tally/exports.h"

#include "storage/privatefiles.h"
#include "tally/csv.h"
#include "tally/xlsx.h"

#include <QFile>
#include <QSaveFile>

namespace exports
{

bool csv(const Base& base, const Base::Filter& filter, const QString& path, char separator)
{
    const bool existed = QFile::exists(path);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    privatefiles::protect(out, existed);
    return csv::write(&out, Base::tableHeader(filter.withReplaced),
                      [&](const Row& row) { base.forEach(filter, row); }, separator) &&
           out.commit();
}

bool xlsx(const Base& base, const Base::Filter& filter, const QString& path, int* cut)
{
    const QStringList header = Base::tableHeader(filter.withReplaced);
    return xlsx::write(path, header, [&](const Row& row) { base.forEach(filter, row); }, Base::AnswersFrom,
                       filter.withReplaced ? int(header.size()) - 1 : -1, cut);
}

} // namespace exports
