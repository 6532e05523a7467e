#pragma once

// A sheet window of its own directory (its draft kept in "brouillon" there,
// as the program keeps it), shown and settled, for the tests.
#include "sheet/draftkeeper.h"
#include "sheet/feuillep.h"
#include "storage/draft.h"
#include "support/helpers.h"

#include <QTemporaryDir>
#include <QTest>

namespace testing
{
struct ShownSheet {
    QTemporaryDir dir;
    feuillep w{Places{dir.path(), dir.path(), dir.filePath(QStringLiteral("brouillon"))}};
    QString draftPath() const { return draft::path(dir.filePath(QStringLiteral("brouillon"))); }
    ShownSheet()
    {
        DraftKeeper::attach(w);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("sheet not exposed");
        settle(100); // a maximised window gets its size a moment later
    }
};
} // namespace testing
