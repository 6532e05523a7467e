#pragma once

#include "tally/importer.h"

#include <QStringList>

// Scanned printouts as a source of the import: every page of the files and
// folders given is rendered and its QR codes found (pages decoded on every
// core, a few at a time, so that memory does not grow with the number of
// pages); the parts of each sheet are put together across pages and files
// and checked, and each sheet is handed on as a message read like a mail:
// the same answer-text reader, rules and base.  Its Message-ID comes from the
// sheet's own identifier, so the same scan imported twice adds nothing.  A
// page without a code of ours, and a sheet that cannot be put together, are
// set aside with the reason, never read.
class PaperSource : public Importer::Source
{
public:
    explicit PaperSource(const QStringList& paths) : m_paths(paths) {}
    Importer::Result read(Importer::Feed& feed) override;

    // How finely PDF pages are rendered.
    static constexpr int Dpi = 200;

private:
    QStringList m_paths;
};
