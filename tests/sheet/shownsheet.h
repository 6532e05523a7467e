#pragma once

// A sheet window of its own directory, shown and settled, for the tests.
#include "sheet/feuillep.h"
#include "support/helpers.h"

#include <QTemporaryDir>
#include <QTest>

namespace testing
{
struct ShownSheet {
    QTemporaryDir dir;
    feuillep w{dir.path()};
    ShownSheet()
    {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("sheet not exposed");
        settle(100); // a maximised window gets its size a moment later
    }
};
} // namespace testing
