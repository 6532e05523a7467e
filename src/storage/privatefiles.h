#pragma once

#include <QString>

class QFileDevice;

// Files that hold personal data or settings are their owner's alone,
// whatever the umask: created 0600, in folders created 0700.  A file or a
// folder that exists already keeps the mode its owner gave it.
namespace privatefiles
{

// Makes the folder and its missing parents, each one made 0700.
bool makeFolder(const QString& path);
// Makes the file, empty and 0600, when it is missing, so that whatever
// writes it next (SQLite, QSettings, a record file) keeps its mode.
bool createFile(const QString& path);
// The same in a private folder, made when missing.
bool makeFile(const QString& path);
// For a file being written (a QSaveFile, a QFile just opened): 0600 when
// existed is false.
void protect(QFileDevice& file, bool existed);
// A file written by another library: 0600 when existed is false.
void protect(const QString& path, bool existed);

} // namespace privatefiles
