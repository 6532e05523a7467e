#include "tally/exports.h"

#include "tally/csv.h"
#include "tally/report.h"
#include "tally/xlsx.h"

#include <QSaveFile>

namespace exports
{

bool csv(const Base& base, const Base::Filter& filter, const QString& path, char separator)
{
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) &&
           csv::write(&out, Base::tableHeader(),
                      [&](const Row& row) { base.forEach(filter, row); }, separator) &&
           out.commit();
}

bool xlsx(const Base& base, const Base::Filter& filter, const QString& path)
{
    return xlsx::write(path, Base::tableHeader(),
                       [&](const Row& row) { base.forEach(filter, row); }, Base::AnswersFrom);
}

bool pdf(const Base& base, const Base::Filter& filter, const QString& path)
{
    return report::write(path, [&](const Row& row) {
        base.forEach(filter, [&](const Cells& cells) { row(cells.mid(Base::AnswersFrom)); });
    });
}

} // namespace exports
