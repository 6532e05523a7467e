#pragma once

#include "support/portprocess.h"

// A port that never answers, as a provider's blocked port 25 looks from the
// desktop (peers/blocked_port.py).  Stopped when the object goes.
class BlockedPort
{
public:
    bool start() { return m_process.startPeer(QStringLiteral("blocked_port.py"), {}); }
    quint16 port() const { return m_process.port(); }

private:
    testing::PortProcess m_process;
};
