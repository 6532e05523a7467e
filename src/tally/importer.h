#pragma once

#include "tally/base.h"
#include "tally/imapmailbox.h"

#include <QString>
#include <functional>

// Mailboxes into the base, Batch messages a transaction: a failure or a
// kill loses the batch under way, never a part of it, and a second import
// of the same mailbox takes what is missing.
class Importer
{
public:
    static constexpr int Batch = 500;

    struct Tally {
        int read = 0;     // messages read
        int added = 0;    // new responses
        int already = 0;  // already in the base
        int setAside = 0; // not responses, listed as « non reconnus »
    };
    enum class Result { Done, MailboxUnreadable, ServerFailed, BaseFailed, Stopped };

    explicit Importer(Base& base) : m_base(base) {}

    // progress is told after each batch is written; false stops there.
    Result run(const QString& mailbox, const std::function<bool(const Tally&)>& progress = {});

    // What is new in an IMAP folder since the last import, or the whole
    // folder again when its UIDVALIDITY changed (the base's rules still add
    // nothing twice).  Each batch is written with the highest UID it holds,
    // so a run cut short resumes where its last whole batch ended.
    // ServerFailed: the mailbox's failure() says where and why.
    Result run(imap::Mailbox& mailbox, const std::function<bool(const Tally&)>& progress = {});

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
