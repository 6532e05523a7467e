#pragma once

#include <QFile>
#include <QString>

// A file of fixed 128-byte records numbered from 1.  Record n begins at byte
// (n - 1) * 128 and holds one text: a 16-bit little-endian length L (at most
// 126) followed by L Windows-1252 bytes.  The rest of a record is not
// significant.  Callers open, use and close the file within one operation.
class RecordFile
{
public:
    static constexpr int RecordSize = 128;
    static constexpr int MaxText = RecordSize - 2;

    explicit RecordFile(const QString& path);
    ~RecordFile();

    // Opens for reading and writing, creating an empty file when missing;
    // falls back to reading only when the file cannot be written.  False when
    // it can be neither opened nor created.
    bool open();
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    bool isWritable() const { return m_file.isOpen() && m_file.isWritable(); }

    // Record n's text into *text.  A record past the end of the file, or with a
    // length word of 0, is the empty text.  A length word above 126 is read as
    // 126, and a text cut short by the end of the file as the bytes that are
    // there, so a read never leaves its record nor runs past the file.  False
    // only on an I/O failure.
    bool read(int n, QString* text);

    // Writes record n's length word and text, extending a short file; no other
    // byte changes.  Fails, writing nothing, when the text takes more than 126
    // bytes or the file is not writable.
    bool write(int n, const QString& text);

private:
    QFile m_file;
};

// The path of a file in a directory, adding a separator only when the
// directory does not already end with one (a drive root does).
QString fileInDirectory(const QString& directory, const QString& name);
