#include "storage/recordfile.h"

#include "storage/cp1252.h"

RecordFile::RecordFile(const QString& path) : m_file(path) {}

RecordFile::~RecordFile()
{
    close();
}

bool RecordFile::open()
{
    close();
    // ReadWrite creates a missing file and never truncates an existing one.
    if (m_file.open(QIODevice::ReadWrite))
        return true;
    return m_file.open(QIODevice::ReadOnly);
}

void RecordFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool RecordFile::read(int n, QString* text)
{
    text->clear();
    if (!m_file.isOpen() || n < 1)
        return false;
    const qint64 start = qint64(n - 1) * RecordSize;
    if (m_file.size() < start + 2)
        return true; // the record lies past the end of the file
    if (!m_file.seek(start))
        return false;
    const QByteArray word = m_file.read(2);
    if (word.size() != 2)
        return false;
    const int length = qMin(MaxText, static_cast<unsigned char>(word[0]) |
                                         (static_cast<unsigned char>(word[1]) << 8));
    if (length == 0)
        return true;
    const QByteArray bytes = m_file.read(length);
    if (bytes.isEmpty() && m_file.error() != QFileDevice::NoError)
        return false;
    *text = cp1252::decode(bytes);
    return true;
}

bool RecordFile::write(int n, const QString& text)
{
    if (!isWritable() || n < 1)
        return false;
    const QByteArray bytes = cp1252::encode(text);
    if (bytes.size() > MaxText)
        return false;
    QByteArray record;
    record.append(static_cast<char>(bytes.size() & 0xFF));
    record.append(static_cast<char>((bytes.size() >> 8) & 0xFF));
    record.append(bytes);
    // Seeking past the end and writing extends the file; the gap reads as zeros.
    if (!m_file.seek(qint64(n - 1) * RecordSize))
        return false;
    if (m_file.write(record) != record.size())
        return false;
    return m_file.flush();
}

QString fileInDirectory(const QString& directory, const QString& name)
{
    if (directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}
