// Writes the seed corpora of the three fuzz targets: fuzz-seeds FOLDER makes FOLDER/<target>/ afresh.
// The seeds are programs in each target's input layout (FrameProgram.h, CoreProgram.h,
// RecordStoreProgram.h) around real frames: terminals' frames as WireFrames.h builds them (apart from
// Ostrel's codec), and the twelve commands as the C exports build them. Made at build time, so that they
// always follow the layouts; libFuzzer takes it from there.
#include "CoreProgram.h"
#include "FrameProgram.h"
#include "FuzzCommand.h"
#include "FuzzInput.h"
#include "RecordStoreProgram.h"
#include "WireFrames.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::array<std::uint8_t, 4> kTerminal{10, 0, 0, 5}; // the first host of CoreProgram's source pool

// Writes the seeds of one target, numbered in order.
class SeedFolder {
public:
    explicit SeedFolder(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void write(const std::string& name, const FuzzInputWriter& seed) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d-", ++count_);
        std::ofstream file(folder_ / (number + name), std::ios::binary);
        file.write(reinterpret_cast<const char*>(seed.bytes().data()),
                   static_cast<std::streamsize>(seed.bytes().size()));
    }

private:
    std::filesystem::path folder_;
    int count_ = 0;
};

// A command with the arguments a caller typically gives it.
FuzzCommand command(int kind, std::uint8_t a = 1, std::uint8_t b = 2) {
    FuzzCommand c;
    c.kind = kind;
    c.addressA = a;
    c.addressB = b;
    c.password = "1234";
    switch (kind) {
    case 0: // arm zone 3
        c.numbers = {1, 3, 0};
        break;
    case 1: // relay 2 on for 30
        c.numbers = {2, 1, 30};
        break;
    case 2:
        c.numbers = {4, 1, 0};
        break;
    case 3: // 2 s in all, 0.2 s on, 0.2 s off
        c.numbers = {100, 10, 10};
        break;
    case 4:
        c.numbers = {1, 0, 0};
        c.text = "Front door open";
        break;
    case 6:
        c.text = "Call the office";
        break;
    case 7:
        c.numbers = {12, 0, 0};
        c.bitMap.emplace();
        (*c.bitMap)[0] = 0xA5;
        (*c.bitMap)[1] = 0x0F;
        break;
    case 8:
        c.text = "10-09-27 08:05:00";
        break;
    case 9:
        c.password = "123456";
        c.numbers = {3, 0, 0};
        c.text = "Back door";
        break;
    case 10: // a centre address, dotted
        c.numbers = {40, 1, 2};
        c.text = "192.168.1.10";
        break;
    default:
        break;
    }
    return c;
}

// ---- fuzz-frames ----

void frameSeeds(SeedFolder& seeds) {
    using P = FrameProgram;
    const std::vector<std::pair<std::string, Bytes>> networkFrames{
        {"plain-report", wire::network(kTerminal, 1, 2, 224)},
        {"short-status", wire::network(kTerminal, 1, 2, 241, {0x04, 0x01})},
        {"long-status", wire::network(kTerminal, 1, 2, 241, {0x04, 0x45, 0x0F})},
        {"sign-off", wire::network(kTerminal, 3, 255, 226)},
        {"sign-on", wire::network(kTerminal, 255, 255, 227)},
        {"reply", wire::network(kTerminal, 1, 2, 146)},
        {"any-reply", wire::network(kTerminal, 1, 2, 0xFC)},
    };
    for (const auto& [name, frame] : networkFrames)
        seeds.write("network-" + name, FuzzInputWriter().byte(P::NetworkToCanonical).sized(frame));

    for (int kind = 0; kind < FuzzCommand::kKinds; ++kind) {
        const FuzzCommand c = command(kind);
        FuzzInputWriter commandStep;
        commandStep.byte(P::Command);
        c.write(commandStep);
        seeds.write("command-" + std::to_string(c.code()), commandStep);

        ostrel::CommandFrame frame;
        c.build(frame);
        const Bytes canonical(frame.bytes.begin(), frame.bytes.begin() + frame.frameLength);
        seeds.write("canonical-" + std::to_string(c.code()), FuzzInputWriter()
                                                                 .byte(P::CanonicalConversions)
                                                                 .sized(canonical)
                                                                 .byte(192)
                                                                 .byte(168)
                                                                 .byte(1)
                                                                 .byte(10));
    }
    // Texts at their limits, and a password too long to send.
    FuzzCommand longest = command(4);
    longest.text = std::string(63, 'x');
    FuzzCommand tooLong = command(6);
    tooLong.text = std::string(65, 'y');
    FuzzCommand hex = command(10);
    hex.numbers = {41, 2, 3};
    hex.text = "0123456789abcdefABCDEFg";
    FuzzCommand longPassword = command(9);
    longPassword.password = "123456789";
    for (const FuzzCommand& c : {longest, tooLong, hex, longPassword}) {
        FuzzInputWriter step;
        step.byte(P::Command);
        c.write(step);
        seeds.write("command-limits", step);
    }

    // A serial line: a type 1 report cut in two reads, then a type 2 status report behind noise.
    const Bytes canonicalReport = wire::canonical(1, 2, 1);
    const Bytes serialStatus = wire::serial(1, 2, 241, {0x00, 0x00, 0x01, 0x00});
    FuzzInputWriter line;
    line.byte(P::SerialLine)
        .byte(0)
        .sized(Bytes(canonicalReport.begin(), canonicalReport.begin() + 3))
        .byte(0)
        .sized(Bytes(canonicalReport.begin() + 3, canonicalReport.end()))
        .byte(1)
        .byte(static_cast<std::uint8_t>(canonicalReport.size()))
        .byte(0)
        .sized(Bytes{0x00, 0x01})
        .byte(0)
        .sized(serialStatus)
        .byte(1)
        .byte(2)
        .byte(2);
    seeds.write("serial-line", line);

    seeds.write(
        "address-text",
        FuzzInputWriter().byte(P::AddressText).byte(192).byte(168).byte(100).byte(200).byte(1).byte(16));
    seeds.write("address-text-cut",
                FuzzInputWriter().byte(P::AddressText).byte(10).byte(0).byte(0).byte(5).byte(1).byte(6));
}

// ---- fuzz-core ----

// The steps of CoreProgram.h, written.
class CoreSeed {
public:
    using P = CoreProgram;

    CoreSeed& datagram(const Bytes& bytes, std::uint8_t source = 0, std::uint16_t port = 5000) {
        out_.byte(P::Datagram).byte(source).word(port).byte(P::Raw).byte(P::AsGiven).sized(bytes);
        return *this;
    }
    CoreSeed& serial(int port, const Bytes& bytes) {
        out_.byte(P::SerialBytes).byte(static_cast<std::uint8_t>(port)).byte(P::Raw).sized(bytes);
        return *this;
    }
    CoreSeed& ticks(int n) {
        for (; n > 0; n -= P::kMaxTicksPerStep)
            out_.byte(P::Ticks).byte(static_cast<std::uint8_t>(std::min(n, P::kMaxTicksPerStep) - 1));
        return *this;
    }
    CoreSeed& queue(int port, const FuzzCommand& c) {
        out_.byte(P::QueueCommand).byte(static_cast<std::uint8_t>(port));
        c.write(out_);
        return *this;
    }
    CoreSeed& step(P::Step step) {
        out_.byte(step);
        return *this;
    }
    CoreSeed& retryLimit(std::uint8_t limit) {
        out_.byte(P::StoreValues).int32(0).byte(limit);
        return *this;
    }
    CoreSeed& forward(std::uint16_t port) {
        out_.byte(P::ForwardDestination).byte(127).byte(0).byte(0).byte(1).word(port);
        return *this;
    }
    CoreSeed& line(P::Step openOrClose, int port) {
        out_.byte(openOrClose).byte(static_cast<std::uint8_t>(port));
        return *this;
    }
    CoreSeed& property(int port, std::uint8_t a, std::uint8_t b, std::int32_t timeout) {
        out_.byte(P::SetProperty).byte(static_cast<std::uint8_t>(port)).byte(a).byte(b).int32(timeout);
        return *this;
    }
    CoreSeed& query(int port, std::uint8_t a, std::uint8_t b, std::uint8_t zone) {
        out_.byte(P::Queries).byte(static_cast<std::uint8_t>(port)).byte(a).byte(b).byte(zone);
        return *this;
    }
    CoreSeed& answer(bool anyReplyCode = false) {
        out_.byte(P::AnswerLast).byte(anyReplyCode ? 1 : 0);
        return *this;
    }
    CoreSeed& flood(int port, std::uint8_t a, std::uint8_t b) {
        out_.byte(P::Flood).byte(static_cast<std::uint8_t>(port)).byte(a).byte(b);
        return *this;
    }
    CoreSeed& reactToReports(bool on) {
        out_.byte(P::ReactToReports).byte(on ? 1 : 0);
        return *this;
    }

    const FuzzInputWriter& written() const { return out_; }

private:
    FuzzInputWriter out_;
};

void coreSeeds(SeedFolder& seeds) {
    constexpr int kUdp = 10;
    // A protocol type 1 terminal on UDP: reports, a command answered, one that goes unanswered.
    seeds.write("udp-type1", CoreSeed()
                                 .datagram(wire::canonical(1, 2, 1))
                                 .datagram(wire::canonical(1, 2, 2, {0x04, 0x01}))
                                 .datagram(wire::canonical(1, 2, 2, {0x00, 0x45, 0x0F}))
                                 .queue(kUdp, command(4))
                                 .ticks(1)
                                 .answer()
                                 .queue(kUdp, command(6))
                                 .ticks(21)
                                 .written());
    // A protocol type 2 terminal on UDP, its zone alarms forwarded.
    seeds.write("udp-type2", CoreSeed()
                                 .forward(7000)
                                 .datagram(wire::network(kTerminal, 1, 2, 227))
                                 .datagram(wire::network(kTerminal, 1, 2, 241, {0x00, 0x01, 0xFF}))
                                 .datagram(wire::network(kTerminal, 1, 2, 241, {0x05, 0x04, 0xFE}))
                                 .queue(kUdp, command(10))
                                 .ticks(1)
                                 .answer(true)
                                 .queue(kUdp, command(0))
                                 .ticks(1)
                                 .answer()
                                 .datagram(wire::network(kTerminal, 1, 2, 226))
                                 .written());
    // Every command to one terminal, each answered.
    CoreSeed everyCommand;
    everyCommand.datagram(wire::canonical(4, 5, 1));
    for (int kind = 0; kind < FuzzCommand::kKinds; ++kind)
        everyCommand.queue(kUdp, command(kind, 4, 5)).ticks(1).answer();
    seeds.write("udp-every-command", everyCommand.written());
    // Protocol type 1 on COM1: a report cut across two ticks, a command answered on the line.
    const Bytes report = wire::canonical(7, 8, 2, {0x01, 0x00});
    seeds.write("serial-type1", CoreSeed()
                                    .line(CoreProgram::OpenLine, 0)
                                    .serial(0, Bytes(report.begin(), report.begin() + 4))
                                    .ticks(1)
                                    .serial(0, Bytes(report.begin() + 4, report.end()))
                                    .ticks(1)
                                    .queue(0, command(3, 7, 8))
                                    .ticks(1)
                                    .answer()
                                    .ticks(1)
                                    .written());
    // Protocol type 2 on COM2: frames of several terminals in one read, a sign-off, a command answered.
    Bytes burst = wire::serial(1, 1, 224);
    for (const Bytes& frame : {wire::serial(1, 2, 241, {0x00, 0x00, 0x03, 0x00, 0x01}),
                               wire::serial(1, 3, 227), wire::serial(1, 1, 226)})
        burst.insert(burst.end(), frame.begin(), frame.end());
    seeds.write("serial-type2", CoreSeed()
                                    .line(CoreProgram::OpenLine, 1)
                                    .serial(1, burst)
                                    .ticks(1)
                                    .queue(1, command(2, 1, 2))
                                    .ticks(1)
                                    .answer()
                                    .ticks(2)
                                    .line(CoreProgram::CloseLine, 1)
                                    .written());
    // Time-outs: a terminal given one, expiring; blocks and the port entry signing on and off.
    seeds.write("timeouts", CoreSeed()
                                .line(CoreProgram::OpenLine, 0)
                                .property(0, 2, 3, 1)
                                .serial(0, wire::canonical(2, 4, 1))
                                .ticks(3)
                                .query(0, 2, 3, 1)
                                .datagram(wire::canonical(3, 255, 4))
                                .datagram(wire::canonical(255, 255, 4))
                                .datagram(wire::canonical(3, 255, 3))
                                .query(kUdp, 3, 255, 0)
                                .ticks(12)
                                .written());
    // Stopping and starting, a lost connection, a full ring, commands queued from a callback.
    seeds.write("lifecycle", CoreSeed()
                                 .retryLimit(1)
                                 .reactToReports(true)
                                 .datagram(wire::canonical(1, 2, 1))
                                 .step(CoreProgram::StopSending)
                                 .ticks(2)
                                 .step(CoreProgram::StartTimers)
                                 .ticks(11)
                                 .flood(kUdp, 1, 2)
                                 .step(CoreProgram::ConnectionLost)
                                 .ticks(1)
                                 .step(CoreProgram::StopTimers)
                                 .written());
}

// ---- fuzz-record-store ----

// The steps of RecordStoreProgram.h, written.
class StoreSeed {
public:
    using P = RecordStoreProgram;

    StoreSeed& addModel(const std::string& name, const std::string& password) {
        out_.byte(P::AddModel);
        text(name).text(password);
        return *this;
    }
    StoreSeed& addMasterCode(std::uint8_t model, std::int32_t number, const std::string& function) {
        out_.byte(P::AddMasterCode).byte(model).int32(number).int32(1).int32(2).byte(1);
        text(function).text("Zone").text("type").text("50% off, it's \"so\"");
        return *this;
    }
    StoreSeed& addSubCodes(std::uint8_t model, std::uint8_t masterCode,
                           const std::vector<std::string>& values) {
        out_.byte(P::AddSubCodes)
            .byte(model)
            .byte(masterCode)
            .byte(static_cast<std::uint8_t>(values.size() - 1));
        std::int32_t number = 0;
        for (const std::string& value : values) {
            out_.int32(++number);
            text(value);
        }
        return *this;
    }
    StoreSeed& setValue(std::uint8_t model, std::uint8_t masterCode, std::uint8_t subCode,
                        const std::string& value) {
        out_.byte(P::SetValues).byte(0).byte(model).byte(masterCode).byte(subCode);
        return text(value);
    }
    StoreSeed& setRawValue(std::uint8_t model, std::uint8_t masterCode, std::uint8_t subCode,
                           RecordStoreProgram::TextKind kind, const Bytes& bytes) {
        out_.byte(P::SetValues).byte(0).byte(model).byte(masterCode).byte(subCode).byte(kind).sized(bytes);
        return *this;
    }
    StoreSeed& step(P::Step step) {
        out_.byte(step);
        return *this;
    }
    StoreSeed& flag(bool on) {
        out_.byte(on ? 1 : 0);
        return *this;
    }
    StoreSeed& pick(std::uint8_t index) {
        out_.byte(index);
        return *this;
    }
    StoreSeed& text(const std::string& value) {
        out_.byte(P::Utf8).text(value);
        return *this;
    }
    StoreSeed& raw(RecordStoreProgram::TextKind kind, const Bytes& bytes) {
        out_.byte(kind).sized(bytes);
        return *this;
    }
    StoreSeed& repeated(const std::string& piece, std::uint8_t times) {
        out_.byte(P::Repeated).text(piece).byte(times);
        return *this;
    }
    StoreSeed& number(std::int32_t high, std::int32_t low) {
        out_.int32(high).int32(low);
        return *this;
    }

    const FuzzInputWriter& written() const { return out_; }

private:
    FuzzInputWriter out_;
};

void recordStoreSeeds(SeedFolder& seeds) {
    using P = RecordStoreProgram;
    seeds.write("model-tree", StoreSeed()
                                  .addModel("O'Brien's keypad", "1234")
                                  .addModel("前门'键盘", "5863")
                                  .addMasterCode(0, 12, "防区类型")
                                  .addSubCodes(0, 0, {"03", "", "it's 100%"})
                                  .setValue(0, 0, 1, "'); DROP TABLE tb_SubCode; --")
                                  .step(P::Reload)
                                  .step(P::RemoveSubCode)
                                  .pick(0)
                                  .pick(0)
                                  .pick(0)
                                  .step(P::RemoveMasterCode)
                                  .pick(0)
                                  .pick(0)
                                  .step(P::RemoveModel)
                                  .pick(1)
                                  .written());
    // Values the database cannot hold as they are: a zero character, half a surrogate pair; and a byte
    // order mark, which must stay.
    seeds.write("unstorable", StoreSeed()
                                  .addModel("Panel", "")
                                  .addMasterCode(0, 1, "Phone")
                                  .addSubCodes(0, 0, {"5550100"})
                                  .setRawValue(0, 0, 0, P::Utf8, Bytes{'5', 0, '5'})
                                  .setRawValue(0, 0, 0, P::Utf16, Bytes{0xD8, 0x00, 0x00, 0x41})
                                  .setRawValue(0, 0, 0, P::Utf8, Bytes{0xEF, 0xBB, 0xBF, '1'})
                                  .written());
    seeds.write("values", StoreSeed()
                              .step(P::StoreValue)
                              .text("%q %d %s %% '' \" \\")
                              .number(-1, 42)
                              .step(P::StoreValue)
                              .repeated("long value, ", 40)
                              .number(0, 0)
                              .step(P::StoreValue)
                              .raw(P::Utf16, Bytes{0x00, 0x41, 0x00, 0x00, 0x00, 0x42})
                              .number(0, 1)
                              .step(P::DeleteValue)
                              .text("%q %d %s %% '' \" \\")
                              .step(P::Transaction)
                              .flag(true)
                              .text("kept")
                              .step(P::Transaction)
                              .flag(false)
                              .text("dropped")
                              .written());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    SeedFolder frames(folder / "fuzz-frames");
    frameSeeds(frames);
    SeedFolder core(folder / "fuzz-core");
    coreSeeds(core);
    SeedFolder store(folder / "fuzz-record-store");
    recordStoreSeeds(store);
    return 0;
}
