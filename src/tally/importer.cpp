#include "tally/importer.h"

#include <QFile>

#include <chrono>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

// What the reading thread hands over: a message, or the end of a batch
// with the folder's state to write with it.
struct Item {
    Base::Incoming message;
    std::optional<std::pair<QString, Base::Folder>> checkpoint;
};

// The items read ahead, handed over in chunks (one lock a chunk, not one a
// message), a few chunks at most, so that memory stays flat whatever the
// mailbox's size.  A chunk the writer is done with goes back to the reading
// thread, which frees it: memory is freed by the thread that made it, without
// the two contending for the allocator's locks.
class Queue : public Importer::Feed
{
public:
    static constexpr size_t Chunk = 64;
    static constexpr size_t Chunks = 4;
    using Items = std::vector<Item>;

    bool put(Base::Incoming m) override { return push(Item{std::move(m), std::nullopt}); }
    bool checkpoint(const QString& address, const Base::Folder& folder) override
    {
        return push(Item{{}, std::make_pair(address, folder)}) && handOver();
    }

    void finish(Importer::Result result)
    {
        handOver();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_ready.notify_one();
    }

    // The taker's side: the next item, valid until the next call; none once
    // the reader is done.
    const Item* take()
    {
        if (m_next == m_taking.size()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_taking.empty())
                m_spent.push_back(std::move(m_taking));
            m_taking.clear();
            m_next = 0;
            m_ready.wait(lock, [this] { return !m_chunks.empty() || m_result; });
            if (m_chunks.empty())
                return nullptr;
            m_taking = std::move(m_chunks.front());
            m_chunks.pop_front();
            m_room.notify_one();
        }
        return &m_taking[m_next++];
    }
    void stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_room.notify_one();
    }
    Importer::Result result() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_result.value_or(Importer::Result::Done);
    }

private:
    bool push(Item item)
    {
        if (m_filling.empty())
            m_filling.reserve(Chunk);
        m_filling.push_back(std::move(item));
        return m_filling.size() < Chunk || handOver();
    }
    bool handOver()
    {
        std::vector<Items> spent;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_chunks.size() < Chunks || m_stopped; });
        spent.swap(m_spent); // freed here, after the lock
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
    std::deque<Items> m_chunks;
    std::vector<Items> m_spent; // done with, for the reader to free
    Items m_filling;            // the reader's own
    Items m_taking;             // the taker's own
    size_t m_next = 0;
    std::optional<Importer::Result> m_result;
    bool m_stopped = false;
};

} // namespace

Importer::Result FileSource::read(Importer::Feed& feed)
{
    switch (mailreader::read(m_path, [&feed](const mailreader::Message& m) {
        return feed.put(Base::prepare(m));
    })) {
    case mailreader::Result::Read:
        return Importer::Result::Done;
    case mailreader::Result::NotMailbox:
        return Importer::Result::NotMailbox;
    case mailreader::Result::Unreadable:
        break;
    }
    return Importer::Result::MailboxUnreadable;
}

bool Importer::commit()
{
    if (!m_base.commit())
        return false;
    m_written = m_pending;
    return true;
}

bool Importer::add(const Base::Incoming& incoming)
{
    ++m_pending.read;
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

Importer::Result Importer::run(const QString& mailbox, const std::function<bool(const Tally&)>& progress)
{
    FileSource source(mailbox);
    return run(source, progress);
}

Importer::Result Importer::run(Source& source, const std::function<bool(const Tally&)>& progress)
{
    m_pending = m_written;
    source.resume(m_base);
    if (!m_base.begin())
        return Result::BaseFailed;

    // The source is read, and the answers read, on a thread of its own while
    // this one writes the base, which stays with the thread that opened it.
    Queue queue;
    std::thread reader([&queue, &source] { queue.finish(source.read(queue)); });

    int inBatch = 0;
    Result result = Result::Done;
    const auto batchEnds = [&]() {
        inBatch = 0;
        if (!commit())
            return Result::BaseFailed;
        if (progress && !progress(m_written))
            return Result::Stopped;
        return m_base.begin() ? Result::Done : Result::BaseFailed;
    };
    while (const Item* item = queue.take()) {
        if (item->checkpoint) {
            if (!m_base.setFolder(item->checkpoint->first, item->checkpoint->second) ||
                (result = batchEnds()) != Result::Done)
                break;
            continue;
        }
        if (!add(item->message)) {
            result = Result::BaseFailed;
            break;
        }
        // A source with checkpoints says where its batches end.
        if (++inBatch >= Batch && !source.marksBatches() && (result = batchEnds()) != Result::Done)
            break;
    }
    queue.stop();
    reader.join();

    const Result read = queue.result();
    if (result == Result::Done && read == Result::Done && !source.marksBatches()) {
        if (!commit())
            return Result::BaseFailed;
    } else {
        // What followed the last whole batch is read again next time.
        m_base.rollback();
        m_pending = m_written;
    }
    if (result != Result::Done)
        return result;
    if (progress)
        progress(m_written);
    return read;
}

ImportLock::ImportLock(const QString& basePath)
{
    m_fd = ::open(QFile::encodeName(basePath + QStringLiteral("-import")).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

ImportLock::~ImportLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

bool ImportLock::tryLock()
{
    if (m_fd >= 0 && !m_held)
        m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    return m_held;
}

ImportRun::Outcome ImportRun::run(const QList<Importer::Source*>& sources, const Watch& watch) const
{
    Outcome out;
    const auto stopped = [&watch] { return watch.stop && watch.stop->load(); };
    Base base;
    ImportLock lock(m_path);
    if (!base.open(m_path) || !lock.canLock()) {
        out.result = Importer::Result::BaseFailed;
        out.error = base.error().isEmpty() ? QStringLiteral("verrou d’importation impossible à créer")
                                           : base.error();
        return out;
    }
    // Another import writes this base: this one waits for its end rather
    // than mixing its batches with the other's.
    for (bool told = false; !lock.tryLock();) {
        if (!told && watch.waiting)
            watch.waiting();
        told = true;
        if (stopped()) {
            out.result = Importer::Result::Stopped;
            return out;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    Importer importer(base);
    const auto progress = [&](const Importer::Tally& t) {
        if (watch.progress)
            watch.progress(t);
        return !stopped();
    };
    for (int i = 0; i < sources.size(); ++i) {
        out.result = importer.run(*sources[i], progress);
        if (out.result != Importer::Result::Done) {
            out.failedSource = i;
            if (out.result == Importer::Result::BaseFailed)
                out.error = base.error();
            break;
        }
    }
    out.tally = importer.tally();
    return out;
}
