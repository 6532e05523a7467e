#include "tally/papersource.h"

#include "paper/frame.h"
#include "paper/qrcode.h"
#include "paper/scans.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

#include <map>
#include <vector>

namespace
{

struct Page {
    QString file;
    int index = 0;
    QString where() const
    {
        return QStringLiteral("%1, page %2").arg(QFileInfo(file).fileName()).arg(index + 1);
    }
};

// What the pages found: the parts of each sheet, and the pages without any.
struct Found {
    QMutex lock;
    std::map<QByteArray, QList<paperframe::Part>> sheets;
    std::map<QByteArray, Page> firstPage; // where each sheet was first met
    std::vector<Page> empty;
    std::vector<Page> unreadable;
};

// A page is known by its file's bytes and its number, whatever the file is called.
QString pageId(const QByteArray& fileDigest, int index)
{
    return QStringLiteral("page-%1-%2@feuilles.questionnaire").arg(QString::fromLatin1(fileDigest.toHex())).arg(index + 1);
}

QByteArray digestOf(const QString& file)
{
    QFile f(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (f.open(QIODevice::ReadOnly))
        hash.addData(&f);
    return hash.result().left(12);
}

mailreader::Message setAside(const QString& id, const QString& where, const QString& reason)
{
    mailreader::Message m;
    m.messageId = id;
    m.sender = where;
    m.subject = QStringLiteral("Feuille numérisée");
    m.reason = reason;
    return m;
}

} // namespace

Importer::Result PaperSource::read(Importer::Feed& feed)
{
    QStringList unreadableFiles;
    const QStringList files = scans::files(m_paths, &unreadableFiles);
    if (!unreadableFiles.isEmpty())
        return Importer::Result::MailboxUnreadable;

    // Pages rendered here, decoded on the pool; a few at a time.
    Found found;
    QThreadPool pool;
    pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    QSemaphore room(2 * pool.maxThreadCount());
    std::map<QString, QByteArray> digests;
    for (const QString& file : files) {
        const ScanFile scan(file);
        const int pages = scan.pageCount();
        if (pages == 0) {
            found.unreadable.push_back({file, 0});
            continue;
        }
        digests[file] = digestOf(file);
        for (int i = 0; i < pages; ++i) {
            QImage image = scan.page(i, Dpi);
            room.acquire();
            pool.start([&found, &room, image = std::move(image), page = Page{file, i}] {
                const QList<QByteArray> codes = image.isNull() ? QList<QByteArray>() : qrcode::find(image);
                QList<paperframe::Part> parts;
                for (const QByteArray& code : codes)
                    if (std::optional<paperframe::Part> p = paperframe::parse(code))
                        parts << *p;
                {
                    QMutexLocker locked(&found.lock);
                    if (parts.isEmpty())
                        (image.isNull() ? found.unreadable : found.empty).push_back(page);
                    for (const paperframe::Part& p : parts) {
                        found.sheets[p.sheet] << p;
                        found.firstPage.emplace(p.sheet, page);
                    }
                }
                room.release();
            });
        }
    }
    pool.waitForDone();

    // Each sheet, put together and checked, read as its e-mail would be.
    for (const auto& [sheet, parts] : found.sheets) {
        const Page& first = found.firstPage.at(sheet);
        const paperframe::Joined joined = paperframe::join(parts);
        const QString id = QStringLiteral("feuille-%1@feuilles.questionnaire").arg(QString::fromLatin1(sheet.toHex()));
        mailreader::Message m;
        if (joined.sheet) {
            m.messageId = id;
            m.date = joined.sheet->printed;
            m.sender = first.where();
            m.subject = QStringLiteral("Feuille numérisée");
            m.text = joined.sheet->text;
        } else {
            m = setAside(QStringLiteral("incomplete-") + id, first.where(), joined.problem);
        }
        if (!feed.put(Base::prepare(m)))
            return Importer::Result::Done;
    }
    for (const Page& p : found.empty)
        if (!feed.put(Base::prepare(setAside(pageId(digests[p.file], p.index), p.where(),
                                             QStringLiteral("aucun code lisible")))))
            return Importer::Result::Done;
    for (const Page& p : found.unreadable)
        if (!feed.put(Base::prepare(setAside(pageId(digestOf(p.file), p.index), p.where(),
                                             QStringLiteral("image illisible")))))
            return Importer::Result::Done;
    return Importer::Result::Done;
}
