#include "storage/places.h"

#include "storage/paranet.h"
#include "storage/privatefiles.h"
#include "storage/runningflag.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace places
{
namespace
{

const QString Folder = QStringLiteral("questionnaire");

bool canWriteBeside(const Context& c, const QString& file)
{
    // access(2) underneath: a read-only medium or mount says no, even to root.
    return c.besideAllowed &&
           (QFileInfo(c.programDirectory).isWritable() || QFileInfo(file).isWritable());
}

// A copy the user owns and may write, whatever the source's permissions (a
// CD-ROM's files are read-only).  QFile::copy writes a temporary file and
// renames it, so a copy cut short never stands as the settings.
bool copyForUser(const QString& source, const QString& target)
{
    if (!QFile::copy(source, target))
        return false;
    return QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

QString settingsDirectory(const Context& c)
{
    const QString beside = paranet::path(c.programDirectory);
    const bool templateThere = !c.templatePath.isEmpty() && QFileInfo(c.templatePath).isFile();
    if (canWriteBeside(c, beside)) {
        // A fresh install in a folder of the user's: the publisher's addresses
        // from the start.  An existing file is never touched here.
        if (!QFileInfo::exists(beside) && templateThere)
            copyForUser(c.templatePath, beside);
        return c.programDirectory;
    }
    const QString own = paranet::path(c.userSettingsDirectory);
    if (QFileInfo::exists(own))
        return c.userSettingsDirectory;
    const QString source = QFileInfo(beside).isFile() ? beside
                           : templateThere            ? c.templatePath
                                                      : QString();
    // The user's settings hold a name, an address and a server: theirs alone.
    const bool folder = privatefiles::makeFolder(c.userSettingsDirectory);
    if (source.isEmpty()) {
        privatefiles::makeFile(own); // filled when first written
        return c.userSettingsDirectory;
    }
    if (folder && copyForUser(source, own))
        return c.userSettingsDirectory;
    QFile::remove(own);
    return QFileInfo(source).absolutePath(); // read where it lies; writing fails there
}

QString flagDirectory(const Context& c)
{
    if (canWriteBeside(c, runningflag::path(c.programDirectory)))
        return c.programDirectory;
    privatefiles::makeFolder(c.userStateDirectory);
    return c.userStateDirectory;
}

#ifndef Q_OS_WIN
QString homeRelative(const char* variable, const QString& fallback)
{
    const QString set = qEnvironmentVariable(variable);
    // A relative path there is to be ignored, as XDG base directories say.
    if (!set.isEmpty() && QDir::isAbsolutePath(set))
        return set;
    return QDir::homePath() + QLatin1Char('/') + fallback;
}
#endif

} // namespace

Context forProgram(const QString& programDirectory)
{
    Context c;
    c.programDirectory = programDirectory;
#ifdef QUESTIONNAIRE_TEMPLATE_FROM_PROGRAM
    c.templatePath = QDir::cleanPath(c.programDirectory + QLatin1Char('/') +
                                     QStringLiteral(QUESTIONNAIRE_TEMPLATE_FROM_PROGRAM));
#endif
#ifdef Q_OS_WIN
    c.userSettingsDirectory =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + Folder;
    c.userStateDirectory = c.userSettingsDirectory;
    c.userDataDirectory =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + Folder;
#else
    c.userSettingsDirectory =
        homeRelative("XDG_CONFIG_HOME", QStringLiteral(".config")) + QLatin1Char('/') + Folder;
    c.userStateDirectory =
        homeRelative("XDG_STATE_HOME", QStringLiteral(".local/state")) + QLatin1Char('/') + Folder;
    c.userDataDirectory =
        homeRelative("XDG_DATA_HOME", QStringLiteral(".local/share")) + QLatin1Char('/') + Folder;
#endif
    // A program under /usr (the Debian package, or an install into
    // /usr/local) is the whole system's: never a file beside it, even for
    // root.  The build option makes any install so.
#ifdef QUESTIONNAIRE_SYSTEM_WIDE
    c.besideAllowed = false;
#else
    c.besideAllowed = !QDir::cleanPath(programDirectory).startsWith(QStringLiteral("/usr/"));
#endif
    return c;
}

Context forThisProgram()
{
    return forProgram(QCoreApplication::applicationDirPath());
}

Places choose(const Context& context)
{
    return {settingsDirectory(context), flagDirectory(context), context.userDataDirectory};
}

} // namespace places
