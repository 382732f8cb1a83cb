// Frames per second: building a command frame and converting it to each wire form; and the core's
// whole round of queueing, pumping and taking the reply.
#include "core/CommandFrame.h"
#include "core/FrameCodec.h"
#include "core/OstrelCore.h"

#include <benchmark/benchmark.h>

namespace {

ostrel::LcdDisplayFrame buildFrame() {
    ostrel::LcdDisplayFrame frame;
    frame.setAddress(1, 2, 0);
    frame.setCommand(10);
    frame.fill(0, "Zone 3 alarm at the front door");
    frame.finalize();
    return frame;
}

void BuildAndConvertToNetwork(benchmark::State& state) {
    ostrel::WireBuffer wire;
    for (auto _ : state) {
        const auto frame = buildFrame();
        benchmark::DoNotOptimize(ostrel::canonicalToNetwork(
            std::span(frame.bytes.data(), static_cast<std::size_t>(frame.frameLength)), {192, 168, 1, 10},
            wire));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BuildAndConvertToNetwork);

void BuildAndConvertToSerial(benchmark::State& state) {
    ostrel::WireBuffer wire;
    for (auto _ : state) {
        const auto frame = buildFrame();
        benchmark::DoNotOptimize(ostrel::canonicalToSerial(
            std::span(frame.bytes.data(), static_cast<std::size_t>(frame.frameLength)), wire));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BuildAndConvertToSerial);

class NullTransport : public ostrel::Transport {
public:
    void sendDatagram(std::span<const std::uint8_t>, const ostrel::Ipv4Address&, std::uint16_t) override {}
    void writeSerial(int, std::span<const std::uint8_t>) override {}
    void closeUdp() override {}
};

// One command to a known protocol type 1 terminal: queued, sent by the pump, its reply taken.
void QueueSendAndReply(benchmark::State& state) {
    NullTransport transport;
    OstrelCallbacks callbacks{};
    ostrel::OstrelCore core(transport, nullptr, callbacks);
    core.storeValues(1000, 3);
    core.startTimers();
    std::array<std::uint8_t, 128> report{8, 1, 2, 0, 0, 0, 1, 12};
    const ostrel::Ipv4Address terminal{10, 0, 0, 5};
    core.onDatagram(report, 8, terminal, 5000);
    std::array<std::uint8_t, 128> reply{8, 1, 2, 0, 0, 0, 0x8A, 0x95};
    for (auto _ : state) {
        const auto frame = buildFrame();
        core.queueFrame(ostrel::kUdpPortIndex, frame);
        core.tick();
        core.onDatagram(reply, 8, terminal, 5000);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueueSendAndReply);

} // namespace

BENCHMARK_MAIN();
