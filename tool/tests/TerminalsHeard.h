#pragma once

#include "terminals/OstrelSession.h"

#include <QObject>
#include <QStringList>

// An Ostrel session in place of the main window's, keeping the terminals it hands over, as "port.A.B".
// Window tests list this header among their sources.
class TerminalsHeard : public QObject {
    Q_OBJECT
public:
    TerminalsHeard() {
        connect(&session, &OstrelSession::TerminalsChanged, this,
                [this](const std::vector<TerminalChange>& changes) {
                    for (const TerminalChange& change : changes)
                        addresses.append(QStringLiteral("%1.%2.%3")
                                             .arg(change.port)
                                             .arg(change.addressA)
                                             .arg(change.addressB));
                });
    }

    OstrelSession session;
    QStringList addresses;
};
