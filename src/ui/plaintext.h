#pragma once

#include <QString>

class QLabel;
class QWidget;

// Words shown to the user are shown as they are.  Qt guesses whether a
// label's or a tooltip's text is markup; a server's words, a certificate's
// names, a sender's address or a typed answer could then turn into large
// type or a link.  Every label is made here, plain text unless the program's
// own fixed words need markup, and so is every tooltip that can hold words
// from outside.
namespace ui
{

QLabel* label(const QString& text = QString(), QWidget* parent = nullptr);
// Makes an existing label (a dialog's own) show its text as it is.
void makePlain(QLabel* label);
// A tooltip that shows its text literally, whatever it holds.
QString plainToolTip(const QString& text);

} // namespace ui
