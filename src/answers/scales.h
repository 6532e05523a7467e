#pragma once

#include <QStringList>

// The three answer scales loaded into the drop-down lists.  Each begins with
// the empty entry, which withdraws an answer.
namespace scales
{

const QStringList& difficulty(); // every diff list
const QStringList& interest();   // every it list
const QStringList& siteRating(); // the site list

} // namespace scales
