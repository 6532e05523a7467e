#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The program's small pictures, compiled in: each drawn at 32 x 32 pixels
// and again at 64 x 64 for screens of two device pixels or more to the
// pixel, so that they stay sharp there without changing at the usual scale.
namespace pictures
{

enum class Name { Close, Sheet, Hand, Cancel, Computers, Telephone };

// The drawing that suits a device pixel ratio, 32 x 32 in logical pixels.
QPixmap pixmap(Name name, qreal ratio);

// Both drawings, for the window system to choose from.
QIcon icon(Name name);

// The pointing hand with its fingertip, (12, 1), as the hot spot.
QCursor hand(qreal ratio);

} // namespace pictures
