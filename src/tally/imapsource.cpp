#include "tally/imapsource.h"

void ImapSource::resume(const Base& base)
{
    m_folder = base.folder(m_mailbox.address().url());
}

Importer::Result ImapSource::read(Importer::Feed& feed)
{
    // The connection lives and ends on this thread, the one that reads.
    const Importer::Result result = readFolder(feed);
    m_mailbox.logout();
    return result;
}

Importer::Result ImapSource::readFolder(Importer::Feed& feed)
{
    const QString address = m_mailbox.address().url();
    const std::optional<quint32> validity = m_mailbox.examine();
    if (!validity)
        return Importer::Result::ServerFailed;
    Base::Folder folder = m_folder;
    if (folder.uidValidity != *validity)
        folder = {*validity, 0, folder.fingerprint}; // another folder under the same name: read it whole
    const std::optional<QList<quint32>> uids = m_mailbox.newer(folder.lastUid);
    if (!uids)
        return Importer::Result::ServerFailed;
    // The folder's state is kept even when nothing is new: a changed
    // UIDVALIDITY is seen once.
    if (uids->isEmpty())
        return feed.checkpoint(address, folder) ? Importer::Result::Done : Importer::Result::Stopped;
    for (qsizetype from = 0; from < uids->size(); from += Batch) {
        const QList<quint32> batch = uids->mid(from, Batch);
        bool going = true;
        const bool fetched = m_mailbox.fetch(batch, [&](quint32, const QByteArray& bytes) {
            if (!going)
                return;
            const std::optional<mailreader::Message> m = mailreader::parse(bytes);
            Base::Incoming unreadable;
            unreadable.message.flaw = mailreader::Message::Flaw::Truncated;
            going = feed.put(m ? Base::prepare(*m) : unreadable);
        });
        if (!fetched)
            return Importer::Result::ServerFailed;
        folder.lastUid = batch.last();
        if (!going || !feed.checkpoint(address, folder))
            return Importer::Result::Stopped;
    }
    return Importer::Result::Done;
}
