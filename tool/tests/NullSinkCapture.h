#pragma once

#include "DtmfDetector.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

// What the test sound server's null sink plays, as its monitor hears it: parec reads "nullsink.monitor"
// of the server the environment names (PULSE_SERVER), 16-bit mono at kRate, for as long as the object
// lives. The monitor runs all the time, silence included, so the capture's length is a clock.
class NullSinkCapture {
public:
    static constexpr std::uint32_t kRate = 8000;

    NullSinkCapture() {
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, [this] { take(); });
        m_parec.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                       QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                       QStringLiteral("--latency-msec=20"), QStringLiteral("--device=nullsink.monitor")});
    }
    ~NullSinkCapture() {
        m_parec.kill();
        m_parec.waitForFinished();
    }
    NullSinkCapture(const NullSinkCapture&) = delete;
    NullSinkCapture& operator=(const NullSinkCapture&) = delete;

    // Whether the monitor's sound has begun to arrive: only then is what plays next sure to be heard.
    [[nodiscard]] bool waitUntilFlowing() {
        return QTest::qWaitFor([this] { return !m_samples.empty(); }, kWaitMs);
    }
    // Whether the capture has grown to `seconds` beyond the sample `from`.
    [[nodiscard]] bool waitFor(double seconds, std::size_t from) {
        const std::size_t target = from + sampleCount(seconds);
        return QTest::qWaitFor([&] { return m_samples.size() >= target; }, kWaitMs);
    }
    // Whether the digits heard since the sample `from` have become `digits`.
    [[nodiscard]] bool waitForDigits(const std::string& digits, std::size_t from) {
        return QTest::qWaitFor([&] { return digitsSince(from) == digits; }, kWaitMs);
    }

    std::size_t size() const { return m_samples.size(); }
    std::span<const std::int16_t> since(std::size_t from) const {
        return std::span<const std::int16_t>(m_samples).subspan(std::min(from, m_samples.size()));
    }
    std::string digitsSince(std::size_t from) const { return dtmf::detectDigits(since(from), kRate); }

    static std::size_t sampleCount(double seconds) { return static_cast<std::size_t>(seconds * kRate); }

private:
    // Generous: the sanitizer builds of the whole suite share the machine with this test.
    static constexpr int kWaitMs = 20000;

    void take() {
        m_pending += m_parec.readAllStandardOutput();
        const std::size_t count = std::size_t(m_pending.size()) / sizeof(std::int16_t);
        const std::size_t old = m_samples.size();
        m_samples.resize(old + count);
        std::memcpy(m_samples.data() + old, m_pending.constData(), count * sizeof(std::int16_t));
        m_pending.remove(0, qsizetype(count * sizeof(std::int16_t)));
    }

    QProcess m_parec;
    QByteArray m_pending;
    std::vector<std::int16_t> m_samples;
};
