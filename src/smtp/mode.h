#pragma once

#include <QtGlobal>

namespace smtp
{

// How a mail server is reached.  Plain is the exchange of old: no STARTTLS
// and no AUTH even when the server offers them.
enum class Mode {
    Automatic,   // the connector finds the way (and the user's settings remember it)
    Plain,       // port 25, no encryption
    StartTls,    // submission, STARTTLS before anything else (587)
    ImplicitTls, // TLS from the first byte (465)
};
constexpr int ModeCount = int(Mode::ImplicitTls) + 1;

// One way to the server: a mode with its port.
struct Way {
    Mode mode = Mode::Automatic; // Automatic: no way known
    quint16 port = 0;
    bool known() const { return mode != Mode::Automatic && port != 0; }
};

} // namespace smtp
