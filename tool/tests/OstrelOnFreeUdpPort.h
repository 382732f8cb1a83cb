#pragma once

#include "support/FreeUdpPort.h"
#include "terminals/OstrelSession.h"

#include <QObject>
#include <QString>

// Starts the tool's Ostrel session on a UDP port that was free a moment ago, trying the next one when
// another program was quicker. Returns the port, or 0 when none could be had.
inline int startOstrelOnFreeUdpPort(QObject* eventReceiver) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freeUdpPort();
        if (OstrelSession::Start(eventReceiver, {QString::number(port)}) ==
            OstrelSession::StartResult::Running)
            return port;
        OstrelSession::Stop();
    }
    return 0;
}
