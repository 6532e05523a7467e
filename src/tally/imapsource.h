#pragma once

#include "imap/mailbox.h"
#include "tally/importer.h"

// What is new in an IMAP folder since the last import, or the whole folder
// again when its UIDVALIDITY changed (the base's rules still add nothing
// twice).  Each batch is written with the highest UID it holds, so a run cut
// short resumes where its last whole batch ended.  ServerFailed: the
// mailbox's failure() says where and why.
class ImapSource : public Importer::Source
{
public:
    // Messages a batch: a connection lost costs at most so many fetched again.
    static constexpr int Batch = 500;

    explicit ImapSource(imap::Mailbox& mailbox) : m_mailbox(mailbox) {}
    void resume(const Base& base) override;
    bool marksBatches() const override { return true; }
    Importer::Result read(Importer::Feed& feed) override;

private:
    Importer::Result readFolder(Importer::Feed& feed);

    imap::Mailbox& m_mailbox;
    Base::Folder m_folder;
};
