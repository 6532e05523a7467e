#include "storage/privatefiles.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace privatefiles
{

bool makeFolder(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(absolute).isDir())
        return true;
    const QString parent = QFileInfo(absolute).path();
    if (parent != absolute && !makeFolder(parent))
        return false;
    // QDir::mkdir with permissions applies them as it creates, not after.
    return QDir().mkdir(absolute, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(absolute).isDir();
}

bool createFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    return QFileInfo::exists(path);
}

bool makeFile(const QString& path)
{
    return makeFolder(QFileInfo(path).absolutePath()) && createFile(path);
}

void protect(QFileDevice& file, bool existed)
{
    if (!existed)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

void protect(const QString& path, bool existed)
{
    if (!existed)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace privatefiles
