#pragma once

#include <QProcess>
#include <QStringList>

// zenvar-sim as a separate process: terminals that report to the PC over loopback UDP. Commands on its
// standard input change them while they run; closing that input ends it.
class SimulatedTerminals {
public:
    static constexpr int kWaitMs = 30000;

    ~SimulatedTerminals() { stop(); }

    bool start(int pcPort, const QStringList& linkOptions, const QStringList& globalOptions = {}) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZENVAR_SIM_PATH),
                        globalOptions +
                            QStringList{QStringLiteral("--quiet"), QStringLiteral("--udp"),
                                        QStringLiteral("127.0.0.1:%1").arg(pcPort)} +
                            linkOptions);
        return m_process.waitForStarted(kWaitMs);
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
    QProcess m_process;
};
