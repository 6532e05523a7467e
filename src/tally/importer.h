#pragma once

#include "tally/base.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

// Mailboxes into the base.  One pipeline for every kind of mailbox: a
// source read on a thread of its own, which also reads the answer texts,
// hands the messages in order to the thread that writes the base.  A batch
// is one transaction: a failure or a kill loses the batch under way, never a
// part of it, and a second import of the same mailbox takes what is missing.
class Importer
{
public:
    static constexpr int Batch = 2000;

    struct Tally {
        int read = 0;     // messages read
        int added = 0;    // new responses
        int already = 0;  // already in the base
        int setAside = 0; // not responses, listed as « non reconnus »
    };
    enum class Result { Done, MailboxUnreadable, NotMailbox, ServerFailed, BaseFailed, Stopped };

    // What a source hands to the writer.
    class Feed
    {
    public:
        virtual ~Feed() = default;
        // One message; false once the writer has stopped taking.
        virtual bool put(Base::Incoming message) = 0;
        // The messages handed so far are one batch, to be written with this
        // folder's state (a source that marks none is written Batch at a time).
        virtual bool checkpoint(const QString& address, const Base::Folder& folder) = 0;
    };
    // Where messages come from: a file or folder, an IMAP folder.
    class Source
    {
    public:
        virtual ~Source() = default;
        // The folder state the source resumes from, read on the writer's
        // thread before read() starts.
        virtual void resume(const Base&) {}
        // Whether the source says where its batches end (checkpoint());
        // else they are Batch messages each.
        virtual bool marksBatches() const { return false; }
        // Runs on the reading thread.  Done, MailboxUnreadable, NotMailbox
        // or ServerFailed.
        virtual Result read(Feed& feed) = 0;
    };

    explicit Importer(Base& base) : m_base(base) {}

    // progress is told after each batch is written; false stops there.
    Result run(Source& source, const std::function<bool(const Tally&)>& progress = {});
    // A mailbox file or Maildir folder.
    Result run(const QString& mailbox, const std::function<bool(const Tally&)>& progress = {});

    // What is written in the base, over every run so far.
    const Tally& tally() const { return m_written; }

private:
    bool commit();
    // One message into the base, counted; false when the base failed.
    bool add(const Base::Incoming& incoming);

    Base& m_base;
    Tally m_written;
    Tally m_pending;
};

// A mailbox file (mbox or one message) or a Maildir folder.
class FileSource : public Importer::Source
{
public:
    explicit FileSource(const QString& path) : m_path(path) {}
    Importer::Result read(Importer::Feed& feed) override;

private:
    QString m_path;
};

// One import at a time in a base: held from the start of an import to its
// end, by this program or another.  A lock of the system's on a file beside
// the base, so that a killed import leaves none behind.
class ImportLock
{
public:
    explicit ImportLock(const QString& basePath);
    ~ImportLock();
    ImportLock(const ImportLock&) = delete;
    ImportLock& operator=(const ImportLock&) = delete;

    // Takes it if it is free.
    bool tryLock();
    bool canLock() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_held = false;
};

// One import, as the command line and the window run it: a connection of
// its own to the base (the window's thread keeps its own), the import lock
// waited for, then each source in turn.  The window runs it on a thread of
// its own.
class ImportRun
{
public:
    struct Outcome {
        Importer::Result result = Importer::Result::Done;
        Importer::Tally tally;
        QString error; // the base's words, when it failed
        int failedSource = -1;
    };
    struct Watch {
        std::function<void()> waiting; // told once when another import holds the base
        std::function<void(const Importer::Tally&)> progress;
        const std::atomic<bool>* stop = nullptr; // set: stops after the batch under way
    };

    explicit ImportRun(const QString& basePath) : m_path(basePath) {}
    Outcome run(const QList<Importer::Source*>& sources, const Watch& watch) const;

private:
    QString m_path;
};
