#pragma once

#include <QStringList>
#include <functional>

// Rows handed one at a time, so that a table of any length is written in
// constant memory: a Rows calls its argument once a row, in order.
using Row = std::function<void(const QStringList&)>;
using Rows = std::function<void(const Row&)>;
