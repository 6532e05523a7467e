#pragma once

#include <QByteArrayView>
#include <QList>
#include <functional>

// Rows handed one at a time, so that a table of any length is written in
// constant memory.  A row's cells are UTF-8, as the base holds them, and
// valid only during the call: nothing is converted that the writer does not
// need converted.  A Rows calls its argument once a row, in order.
using Cells = QList<QByteArrayView>;
using Row = std::function<void(const Cells&)>;
using Rows = std::function<void(const Row&)>;
