#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

// Scanned sheets as scanners write them: multi-page PDF files (rendered by
// Poppler), PNG, JPEG and TIFF images (a TIFF may hold several pages), and
// folders of them.
namespace scans
{

// Whether a file is one we read, by its name.
bool isScan(const QString& path);
// The scans to read: the files given, and the scans of the folders given
// (and of their subfolders), in name order.  A path that is neither goes to
// `unreadable`.
QStringList files(const QStringList& paths, QStringList* unreadable);

} // namespace scans

namespace Poppler
{
class Document;
}

// One scan file, opened once for all its pages.
class ScanFile
{
public:
    explicit ScanFile(const QString& path);
    ~ScanFile();
    // 0 when it cannot be read.
    int pageCount() const { return m_pages; }
    // One page in grey; a PDF page rendered at `dpi`.  Null when it cannot be read.
    QImage page(int index, int dpi = 200) const;

private:
    QString m_path;
    std::unique_ptr<Poppler::Document> m_pdf;
    int m_pages = 0;
};
