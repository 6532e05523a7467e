#pragma once

#include <QByteArray>
#include <QString>

namespace smtp
{

// Text from outside (a server's reply, a certificate's names) as it may be
// shown to the user: on one line, each control character and each
// bidirectional override, embedding, isolate or mark replaced by U+FFFD, cut
// at maxLength characters with an ellipsis.  Nothing the other side sends can
// then make lines of its own or turn what follows it around.
QString printable(const QString& text, int maxLength = 200);

// The same for a server's bytes, read as UTF-8 where they are, else Latin-1.
QString printable(const QByteArray& bytes, int maxLength = 200);

} // namespace smtp
