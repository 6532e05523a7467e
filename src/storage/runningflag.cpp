#include "storage/runningflag.h"

#include "storage/recordfile.h"

namespace runningflag
{

QString path(const QString& directory)
{
    return fileInDirectory(directory, QStringLiteral("TEMPO.SPC"));
}

bool write(const QString& directory, const QString& value)
{
    RecordFile file(path(directory));
    return file.open() && file.write(Record, value);
}

} // namespace runningflag
