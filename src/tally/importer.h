#pragma once

#include "tally/base.h"

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
    enum class Result { Done, MailboxUnreadable, BaseFailed, Stopped };

    explicit Importer(Base& base) : m_base(base) {}

    // progress is told after each batch is written; false stops there.
    Result run(const QString& mailbox, const std::function<bool(const Tally&)>& progress = {});

    // What is written in the base, over every run so far.
    const Tally& tally() const { return m_written; }

private:
    bool commit();

    Base& m_base;
    Tally m_written;
    Tally m_pending;
};
