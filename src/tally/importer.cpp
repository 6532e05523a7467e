#include "tally/importer.h"

bool Importer::commit()
{
    if (!m_base.commit())
        return false;
    m_written = m_pending;
    return true;
}

Importer::Result Importer::run(const QString& mailbox,
                               const std::function<bool(const Tally&)>& progress)
{
    m_pending = m_written;
    if (!m_base.begin())
        return Result::BaseFailed;
    int inBatch = 0;
    Result result = Result::Done;
    const mailreader::Result read = mailreader::read(mailbox, [&](const mailreader::Message& m) {
        switch (m_base.add(m)) {
        case Base::Outcome::Added:
            ++m_pending.added;
            break;
        case Base::Outcome::AlreadyThere:
            ++m_pending.already;
            break;
        case Base::Outcome::SetAside:
            ++m_pending.setAside;
            break;
        case Base::Outcome::Failed:
            result = Result::BaseFailed;
            return false;
        }
        ++m_pending.read;
        if (++inBatch < Batch)
            return true;
        inBatch = 0;
        if (!commit()) {
            result = Result::BaseFailed;
            return false;
        }
        if (progress && !progress(m_written)) {
            result = Result::Stopped;
            return false;
        }
        if (!m_base.begin()) {
            result = Result::BaseFailed;
            return false;
        }
        return true;
    });
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
    return read == mailreader::Result::Unreadable ? Result::MailboxUnreadable : Result::Done;
}
