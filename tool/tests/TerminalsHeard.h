#pragma once

#include <QObject>
#include <QStringList>

// Receives Ostrel's terminal events in place of the main window, as Ostrel's worker thread hands them over,
// and keeps the terminals reported, as "port.A.B". Window tests list this header among their sources.
class TerminalsHeard : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void OnTerminalEvent(int port, int a, int b, int) {
        addresses.append(QStringLiteral("%1.%2.%3").arg(port).arg(a).arg(b));
    }
    QStringList addresses;
};
