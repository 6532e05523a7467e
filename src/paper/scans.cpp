#include "paper/scans.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>

#include <poppler-qt6.h>

#include <algorithm>

namespace
{

const QStringList Images = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                            QStringLiteral("tif"), QStringLiteral("tiff")};

bool isPdf(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<Poppler::Document> pdf(const QString& file)
{
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(file);
    if (!doc || doc->isLocked())
        return nullptr;
    doc->setRenderHint(Poppler::Document::Antialiasing, true);
    return doc;
}

} // namespace

namespace scans
{

bool isScan(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("pdf") || Images.contains(suffix);
}

QStringList files(const QStringList& paths, QStringList* unreadable)
{
    QStringList out;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isFile() && isScan(path)) {
            out << path;
        } else if (info.isDir()) {
            QStringList found;
            QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString f = it.next();
                if (isScan(f))
                    found << f;
            }
            std::sort(found.begin(), found.end());
            out += found;
        } else if (unreadable) {
            *unreadable << path;
        }
    }
    return out;
}

} // namespace scans

ScanFile::ScanFile(const QString& path) : m_path(path)
{
    if (isPdf(path)) {
        m_pdf = pdf(path);
        m_pages = m_pdf ? m_pdf->numPages() : 0;
        return;
    }
    QImageReader reader(path);
    m_pages = reader.canRead() ? qMax(1, reader.imageCount()) : 0;
}

ScanFile::~ScanFile() = default;

QImage ScanFile::page(int index, int dpi) const
{
    QImage image;
    if (m_pdf) {
        const std::unique_ptr<Poppler::Page> p = m_pdf->page(index);
        if (p)
            image = p->renderToImage(dpi, dpi);
    } else {
        QImageReader reader(m_path);
        if (index == 0 || reader.jumpToImage(index))
            image = reader.read();
    }
    return image.isNull() ? image : image.convertToFormat(QImage::Format_Grayscale8);
}
