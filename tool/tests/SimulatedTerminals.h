#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

// zenvar-sim as a separate process: terminals that report to the PC over loopback UDP or on a serial line.
// Commands on its standard input change them while they run; closing that input ends it.
class SimulatedTerminals {
public:
    static constexpr int kWaitMs = 30000;

    ~SimulatedTerminals() { stop(); }

    // Terminals reporting to the PC's UDP port on loopback.
    bool start(int pcPort, const QStringList& linkOptions, const QStringList& globalOptions = {}) {
        return startWith(globalOptions +
                         QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:%1").arg(pcPort)} +
                         linkOptions);
    }
    // Terminals on a new pseudo-terminal, placed as the device link dev/COMn of the working folder.
    bool startOnSerialLine(int comNumber, const QStringList& linkOptions,
                           const QStringList& globalOptions = {}) {
        return startWith(
            globalOptions +
            QStringList{QStringLiteral("--pty"), QStringLiteral("--com"), QString::number(comNumber)} +
            linkOptions);
    }
    // The commands a frame log written with --json holds, in the order the frames arrived.
    static QList<QJsonObject> commandsLogged(const QString& logPath) {
        QFile log(logPath);
        QList<QJsonObject> commands;
        if (!log.open(QIODevice::ReadOnly))
            return commands;
        while (!log.atEnd()) {
            const QJsonObject record = QJsonDocument::fromJson(log.readLine()).object();
            if (record.value(QStringLiteral("kind")).toString() == QStringLiteral("command"))
                commands.append(record);
        }
        return commands;
    }

    void command(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(kWaitMs);
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(kWaitMs))
            m_process.kill();
    }

private:
    bool startWith(const QStringList& arguments) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZENVAR_SIM_PATH), QStringList{QStringLiteral("--quiet")} + arguments);
        return m_process.waitForStarted(kWaitMs);
    }

    QProcess m_process;
};
