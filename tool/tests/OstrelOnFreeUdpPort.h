#pragma once

#include "support/FreeUdpPort.h"
#include "terminals/OstrelSession.h"

#include <QString>

// Starts `session` on a UDP port that was free a moment ago, trying the next one when another program was
// quicker. Returns the port, or 0 when none could be had.
inline int startOstrelOnFreeUdpPort(OstrelSession& session) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freeUdpPort();
        if (session.Start({QString::number(port)}) == OstrelSession::StartResult::Running)
            return port;
        session.Stop();
    }
    return 0;
}
