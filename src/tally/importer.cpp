#include "tally/importer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace
{

// The messages read ahead by the reading thread, handed over in chunks (one
// lock a chunk, not one a message), a few chunks at most, so that memory
// stays flat whatever the mailbox's size.
class Queue
{
public:
    static constexpr size_t Chunk = 64;
    static constexpr size_t Chunks = 4;

    // The reader's side: false once the taker has stopped taking.
    bool put(Base::Incoming m)
    {
        m_filling.push_back(std::move(m));
        return m_filling.size() < Chunk || handOver();
    }
    void finish(mailreader::Result result)
    {
        handOver();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_ready.notify_one();
    }

    // The taker's side: the next message, or none once the reader is done.
    std::optional<Base::Incoming> take()
    {
        if (m_taking.empty()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return !m_chunks.empty() || m_result; });
            if (m_chunks.empty())
                return std::nullopt;
            m_taking = std::move(m_chunks.front());
            m_chunks.pop_front();
            m_room.notify_one();
        }
        Base::Incoming m = std::move(m_taking.front());
        m_taking.pop_front();
        return m;
    }
    void stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_room.notify_one();
    }
    mailreader::Result result() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_result.value_or(mailreader::Result::Read);
    }

private:
    bool handOver()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_chunks.size() < Chunks || m_stopped; });
        if (m_stopped)
            return false;
        if (!m_filling.empty())
            m_chunks.push_back(std::move(m_filling));
        m_filling.clear();
        m_ready.notify_one();
        return true;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_room, m_ready;
    std::deque<std::deque<Base::Incoming>> m_chunks;
    std::deque<Base::Incoming> m_filling; // the reader's own
    std::deque<Base::Incoming> m_taking;  // the taker's own
    std::optional<mailreader::Result> m_result;
    bool m_stopped = false;
};

} // namespace

bool Importer::commit()
{
    if (!m_base.commit())
        return false;
    m_written = m_pending;
    return true;
}

bool Importer::add(const Base::Incoming& incoming)
{
    switch (m_base.add(incoming)) {
    case Base::Outcome::Added:
        ++m_pending.added;
        return true;
    case Base::Outcome::AlreadyThere:
        ++m_pending.already;
        return true;
    case Base::Outcome::SetAside:
        ++m_pending.setAside;
        return true;
    case Base::Outcome::Failed:
        break;
    }
    return false;
}

Importer::Result Importer::run(imap::Mailbox& mailbox,
                               const std::function<bool(const Tally&)>& progress)
{
    m_pending = m_written;
    const QString address = mailbox.address().url();
    const std::optional<quint32> validity = mailbox.examine();
    if (!validity)
        return Result::ServerFailed;
    Base::Folder folder = m_base.folder(address);
    if (folder.uidValidity != *validity)
        folder = {*validity, 0, folder.fingerprint}; // another folder under the same name: read it whole
    const std::optional<QList<quint32>> uids = mailbox.newer(folder.lastUid);
    if (!uids)
        return Result::ServerFailed;
    for (qsizetype from = 0; from < uids->size(); from += Batch) {
        const QList<quint32> batch = uids->mid(from, Batch);
        if (!m_base.begin())
            return Result::BaseFailed;
        bool written = true;
        const bool fetched = mailbox.fetch(batch, [&](quint32, const QByteArray& bytes) {
            ++m_pending.read;
            if (const std::optional<mailreader::Message> m = mailreader::parse(bytes))
                written = written && add(Base::prepare(*m));
            else
                written = written && add(Base::Incoming{});
        });
        folder.lastUid = batch.last();
        if (!fetched || !written || !m_base.setFolder(address, folder) || !commit()) {
            m_base.rollback();
            m_pending = m_written;
            return fetched ? Result::BaseFailed : Result::ServerFailed;
        }
        if (progress && !progress(m_written))
            return Result::Stopped;
    }
    // The folder's state is kept even when nothing was new: a changed
    // UIDVALIDITY is seen once.
    if (uids->isEmpty() && (!m_base.begin() || !m_base.setFolder(address, folder) || !commit()))
        return Result::BaseFailed;
    if (progress)
        progress(m_written);
    return Result::Done;
}

Importer::Result Importer::run(const QString& mailbox,
                               const std::function<bool(const Tally&)>& progress)
{
    m_pending = m_written;
    if (!m_base.begin())
        return Result::BaseFailed;

    // GMime parses, and the answers are read, in a thread of its own while
    // this one writes the base, which stays with the thread that opened it.
    Queue queue;
    std::thread reader([&queue, mailbox] {
        queue.finish(mailreader::read(
            mailbox,
            [&queue](const mailreader::Message& m) { return queue.put(Base::prepare(m)); }));
    });

    int inBatch = 0;
    Result result = Result::Done;
    while (const std::optional<Base::Incoming> m = queue.take()) {
        if (!add(*m)) {
            result = Result::BaseFailed;
            break;
        }
        ++m_pending.read;
        if (++inBatch < Batch)
            continue;
        inBatch = 0;
        if (!commit()) {
            result = Result::BaseFailed;
            break;
        }
        if (progress && !progress(m_written)) {
            result = Result::Stopped;
            break;
        }
        if (!m_base.begin()) {
            result = Result::BaseFailed;
            break;
        }
    }
    queue.stop();
    reader.join();

    if (result == Result::Stopped)
        return result;
    if (result == Result::BaseFailed) {
        m_base.rollback();
        m_pending = m_written;
        return result;
    }
    if (!commit())
        return Result::BaseFailed;
    if (progress)
        progress(m_written);
    return queue.result() == mailreader::Result::Unreadable ? Result::MailboxUnreadable
                                                            : Result::Done;
}
