// fuzz-frames: Ostrel's frame codec, command frames, serial line framing and address text, alone. Each
// step of the input program hands one of them bytes or arguments and checks what comes out against the
// rules the wire and the C header give.
#include "FrameProgram.h"
#include "FuzzCommand.h"
#include "FuzzInput.h"
#include "Require.h"
#include "WireChecks.h"
#include "core/CommandFrame.h"
#include "core/FrameCodec.h"
#include "core/FrameLayout.h"
#include "core/SerialLineBuffer.h"
#include "core/TerminalTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using ostrel::WireBuffer;
using wire_checks::additiveHolds;
using wire_checks::invertedHolds;

constexpr std::uint8_t kUntouched = 0xA5;

bool untouched(const WireBuffer& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == kUntouched; });
}

WireBuffer freshBuffer() {
    WireBuffer buffer;
    buffer.fill(kUntouched);
    return buffer;
}

bool same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The serial line framing must find a frame the codec wrote, whole, at the front of a line.
void requireFoundOnLine(std::span<const std::uint8_t> frame, bool serialLayout) {
    ostrel::SerialLineBuffer line;
    line.append(frame);
    const auto front = line.front();
    const std::size_t found = serialLayout ? front.serialLength : front.canonicalLength;
    FUZZ_REQUIRE(found == frame.size(), "a %zu-byte %s frame read back as %zu bytes", frame.size(),
                 serialLayout ? "serial" : "canonical", found);
}

// ---- Received network frames ----

void networkToCanonical(FuzzInput& in) {
    const auto network = in.sized(FrameProgram::kMaxFrame);
    ostrel::CanonicalFrame out;
    out.bytes.fill(kUntouched);
    out.length = -1;
    const bool taken = ostrel::networkToCanonical(network, out);

    const std::size_t n = network.size();
    const bool wellFormed = n >= ostrel::network::kShortestFrame && n <= ostrel::kWireBufferSize &&
                            network[ostrel::network::kLength] == n &&
                            ostrel::canonicalCodeOf(network[ostrel::network::kCode]).has_value();
    FUZZ_REQUIRE(taken == wellFormed, "a %zu-byte network frame was %s", n, taken ? "taken" : "refused");
    if (!taken) {
        FUZZ_REQUIRE(untouched(out.bytes) && out.length == -1, "a refused network frame changed the output");
        return;
    }
    const int length = out.length;
    FUZZ_REQUIRE(length == static_cast<int>(n) - 5 && out.bytes[0] == length, "canonical length %d from %zu",
                 length, n);
    const auto code = *ostrel::canonicalCodeOf(network[ostrel::network::kCode]);
    FUZZ_REQUIRE(code == out.bytes[ostrel::canonical::kCode], "code %u became %u", network[11], out.bytes[6]);
    FUZZ_REQUIRE((code >= 1 && code <= 4) || (code & ostrel::kReplyBit) != 0,
                 "network code %u is taken as %u, neither a report nor a reply", network[11], code);
    FUZZ_REQUIRE(out.bytes[1] == network[8] && out.bytes[2] == network[9], "addresses moved");
    FUZZ_REQUIRE(out.bytes[3] == 0 && out.bytes[4] == 0 && out.bytes[5] == 0, "header bytes not cleared");
    FUZZ_REQUIRE(same(std::span(out.bytes).subspan(7, n - 13), network.subspan(12, n - 13)),
                 "payload changed");
    FUZZ_REQUIRE(out.bytes[static_cast<std::size_t>(length) - 1] == 0, "checksum slot not 0");
    FUZZ_REQUIRE(same(out.sender, network.first(4)), "sender address not bytes 0 to 3");
}

// ---- Canonical frames without their checksum, as the send rings hold them ----

void canonicalConversions(FuzzInput& in) {
    const auto canonical = in.sized(FrameProgram::kMaxFrame);
    ostrel::Ipv4Address local{};
    for (std::uint8_t& octet : local)
        octet = in.byte();
    const std::size_t n = canonical.size();
    const bool wellFormed =
        n >= ostrel::canonical::kPayload && canonical[ostrel::canonical::kLength] == n + 1;
    const std::size_t payload = wellFormed ? n - ostrel::canonical::kPayload : 0;
    const bool hasNetworkCode = wellFormed && ostrel::networkCodeOf(canonical[ostrel::canonical::kCode]);

    WireBuffer additive = freshBuffer();
    const int additiveLength = ostrel::withAdditiveChecksum(canonical, additive);
    const bool additiveFits = wellFormed && n + 1 <= ostrel::kWireBufferSize;
    FUZZ_REQUIRE(additiveLength == (additiveFits ? static_cast<int>(n) + 1 : 0),
                 "additive form of %zu bytes: %d", n, additiveLength);
    if (additiveLength > 0) {
        const auto frame = std::span(additive).first(static_cast<std::size_t>(additiveLength));
        FUZZ_REQUIRE(same(frame.first(n), canonical) && additiveHolds(frame),
                     "additive form is not the frame");
        requireFoundOnLine(frame, false);
    } else {
        FUZZ_REQUIRE(untouched(additive), "a refused additive form changed the output");
    }

    WireBuffer network = freshBuffer();
    const int networkLength = ostrel::canonicalToNetwork(canonical, local, network);
    const std::size_t networkSize = ostrel::network::kShortestFrame + payload;
    const bool networkFits = hasNetworkCode && networkSize <= ostrel::kWireBufferSize;
    FUZZ_REQUIRE(networkLength == (networkFits ? static_cast<int>(networkSize) : 0),
                 "network form of %zu: %d", n, networkLength);
    if (networkLength > 0) {
        const auto frame = std::span(network).first(networkSize);
        FUZZ_REQUIRE(invertedHolds(frame) && frame[10] == networkSize, "network form: checksum or length");
        FUZZ_REQUIRE(same(frame.first(4), local) && frame[4] == 0, "network form: sender");
        FUZZ_REQUIRE(frame[5] == canonical[3] && frame[6] == canonical[4] && frame[7] == canonical[5],
                     "network form: header");
        FUZZ_REQUIRE(frame[8] == canonical[1] && frame[9] == canonical[2], "network form: addresses");
        FUZZ_REQUIRE(frame[11] == *ostrel::networkCodeOf(canonical[6]), "network form: code");
        FUZZ_REQUIRE(same(frame.subspan(12, payload), canonical.subspan(7)), "network form: payload");
    } else {
        FUZZ_REQUIRE(untouched(network), "a refused network form changed the output");
    }

    WireBuffer serial = freshBuffer();
    const int serialLength = ostrel::canonicalToSerial(canonical, serial);
    const std::size_t serialSize = ostrel::serial::kShortestFrame + payload;
    const bool serialFits = hasNetworkCode && serialSize <= ostrel::kWireBufferSize;
    FUZZ_REQUIRE(serialLength == (serialFits ? static_cast<int>(serialSize) : 0), "serial form of %zu: %d", n,
                 serialLength);
    if (serialLength > 0) {
        const auto frame = std::span(serial).first(serialSize);
        FUZZ_REQUIRE(invertedHolds(frame) && frame[2] == serialSize, "serial form: checksum or length");
        FUZZ_REQUIRE(frame[0] == canonical[1] && frame[1] == canonical[2], "serial form: addresses");
        FUZZ_REQUIRE(frame[3] == *ostrel::networkCodeOf(canonical[6]), "serial form: code");
        FUZZ_REQUIRE(same(frame.subspan(4, payload), canonical.subspan(7)), "serial form: payload");
        requireFoundOnLine(frame, true);
    } else {
        FUZZ_REQUIRE(untouched(serial), "a refused serial form changed the output");
    }
}

// ---- Command frames, as the Cmd_ exports build them ----

// A text as the frame measures it: never read past the given length.
std::string_view measured(const std::string& text, std::size_t max) {
    return std::string_view(text).substr(0, std::min(text.size(), max));
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::uint8_t> hexDigit(char c) {
    if (isDecimalDigit(c))
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    return std::nullopt;
}

// The low 8 bits of each of the first `count` fields of `text`, split at any of `separators`, each field's
// leading decimal digits spelling the number (0 without any; missing fields 0).
Bytes numberFields(std::string_view text, std::string_view separators, std::size_t count) {
    Bytes values;
    std::size_t i = 0;
    while (values.size() < count) {
        while (i < text.size() && separators.find(text[i]) != std::string_view::npos)
            ++i;
        if (i == text.size()) {
            values.push_back(0);
            continue;
        }
        unsigned value = 0;
        bool inDigits = true;
        for (; i < text.size() && separators.find(text[i]) == std::string_view::npos; ++i) {
            inDigits = inDigits && isDecimalDigit(text[i]);
            if (inDigits)
                value = value * 10 + static_cast<unsigned>(text[i] - '0');
        }
        values.push_back(static_cast<std::uint8_t>(value));
    }
    return values;
}

// A password of up to six digits, packed two digits a byte, missing digits as 0xF; none for other passwords,
// whose bytes the C header leaves open.
std::optional<Bytes> packedDigits(const std::string& password) {
    if (password.size() > 6 || !std::all_of(password.begin(), password.end(), isDecimalDigit))
        return std::nullopt;
    auto nibble = [&](std::size_t i) { return i < password.size() ? password[i] - '0' : 0xF; };
    Bytes bytes;
    for (std::size_t i = 0; i < 3; ++i)
        bytes.push_back(static_cast<std::uint8_t>(nibble(2 * i) << 4 | nibble(2 * i + 1)));
    return bytes;
}

void appendText(Bytes& payload, std::string_view text) {
    payload.insert(payload.end(), text.begin(), text.end());
}

std::uint8_t low8(std::int32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

void appendWord(Bytes& payload, std::int32_t value) {
    payload.push_back(low8(value >> 8));
    payload.push_back(low8(value));
}

// What the command's payload must be, by the C header; std::nullopt when the command must be refused.
// `exact` is cleared where only the length is laid down.
std::optional<Bytes> expectedPayload(const FuzzCommand& c, bool& exact) {
    constexpr std::size_t kMaxPayload = ostrel::CommandFrame::kMaxPayload;
    constexpr std::size_t kMeasured = kMaxPayload + 1; // texts are read no further than this
    exact = true;
    const auto& n = c.numbers;
    Bytes payload;
    // Password commands: a password over 8 characters sends the header alone.
    auto passwordPart = [&]() -> std::optional<bool> {
        if (c.password->size() > 8)
            return false;
        const auto digits = packedDigits(*c.password);
        exact = exact && digits.has_value();
        const Bytes packed = digits.value_or(Bytes(3, 0));
        payload.insert(payload.end(), packed.begin(), packed.end());
        return true;
    };
    auto fitting = [&]() -> std::optional<Bytes> {
        if (payload.size() > kMaxPayload)
            return std::nullopt;
        return payload;
    };
    switch (c.kind) {
    case 0: {
        if (!c.password)
            return std::nullopt;
        if (!*passwordPart())
            return Bytes{};
        const unsigned zone = n[1] >= 0 && n[1] <= 8 ? static_cast<unsigned>(n[1]) : 0;
        payload.push_back(static_cast<std::uint8_t>((zone << 4) ^ static_cast<unsigned>(n[0])));
        return fitting();
    }
    case 1:
        payload = {low8(n[0]), low8(n[1])};
        appendWord(payload, n[2]);
        return payload;
    case 2:
        return Bytes{low8(n[0]), low8(n[1])};
    case 3:
        for (const std::int32_t duration : n)
            appendWord(payload, duration);
        return payload;
    case 4:
        if (!c.text)
            return std::nullopt;
        payload.push_back(low8(n[0]));
        appendText(payload, measured(*c.text, kMeasured));
        payload.push_back(0);
        return fitting();
    case 5:
    case 11:
        return Bytes{};
    case 6:
        if (!c.text)
            return std::nullopt;
        appendText(payload, measured(*c.text, kMeasured));
        payload.push_back(0);
        return fitting();
    case 7: {
        const std::size_t mapBytes = (low8(n[0]) + 7u) / 8u;
        if (mapBytes > 0 && !c.bitMap)
            return std::nullopt;
        if (mapBytes > 0)
            payload.assign(c.bitMap->begin(), c.bitMap->begin() + static_cast<std::ptrdiff_t>(mapBytes));
        return fitting();
    }
    case 8:
        if (!c.text)
            return std::nullopt;
        return numberFields(measured(*c.text, 31), "- :", 6);
    case 9:
        if (!c.password || !c.text)
            return std::nullopt;
        if (!*passwordPart())
            return Bytes{};
        payload.push_back(low8(n[0]));
        appendText(payload, measured(*c.text, kMeasured));
        payload.push_back(0);
        return fitting();
    default: { // 10: a programming value
        if (!c.password || !c.text)
            return std::nullopt;
        if (!*passwordPart())
            return Bytes{};
        payload.push_back(low8(n[0]));
        payload.push_back(low8(n[1]));
        const std::string_view data = measured(*c.text, kMeasured);
        switch (n[2]) {
        case 0:
            appendText(payload, data);
            payload.push_back(0);
            break;
        case 1:
            for (const char ch : data)
                payload.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(ch) - '0'));
            break;
        case 2: {
            if (data.size() > 16)
                return Bytes{};
            const Bytes octets = numberFields(data, ".", 4);
            payload.insert(payload.end(), octets.begin(), octets.end());
            break;
        }
        case 3:
            if (data.empty()) {
                payload.push_back(0);
                break;
            }
            for (const char ch : data) {
                const auto digit = hexDigit(ch);
                if (!digit)
                    break;
                payload.push_back(*digit);
            }
            payload.push_back(0x0F);
            break;
        default:
            return Bytes{};
        }
        return fitting();
    }
    }
}

void commandFrame(FuzzInput& in) {
    const FuzzCommand command = FuzzCommand::read(in);
    ostrel::CommandFrame frame;
    frame.bytes.fill(kUntouched);
    const bool built = command.build(frame);
    bool exact = true;
    const auto expected = expectedPayload(command, exact);
    FUZZ_REQUIRE(built == expected.has_value(), "command %d was %s", command.code(),
                 built ? "built" : "refused");
    if (!built)
        return;

    const auto payloadSize = static_cast<std::size_t>(frame.payloadLength);
    const auto bytes = std::span<const std::uint8_t>(frame.bytes);
    FUZZ_REQUIRE(payloadSize == expected->size(), "command %d: payload of %zu bytes, %zu expected",
                 command.code(), payloadSize, expected->size());
    FUZZ_REQUIRE(!exact || same(bytes.subspan(7, payloadSize), *expected), "command %d: payload differs",
                 command.code());
    FUZZ_REQUIRE(frame.frameLength == frame.payloadLength + 7 && bytes[0] == frame.frameLength + 1,
                 "command %d: frame length %d, length byte %u", command.code(), frame.frameLength, bytes[0]);
    FUZZ_REQUIRE(bytes[1] == low8(command.addressA) && bytes[2] == low8(command.addressB) &&
                     bytes[3] == low8(command.headerWord >> 8) && bytes[4] == low8(command.headerWord) &&
                     bytes[5] == 0 && bytes[6] == command.code(),
                 "command %d: header bytes", command.code());

    // Every command goes out in each of the three forms.
    const auto canonical = bytes.first(static_cast<std::size_t>(frame.frameLength));
    WireBuffer wire = freshBuffer();
    const int additive = ostrel::withAdditiveChecksum(canonical, wire);
    FUZZ_REQUIRE(additive == frame.frameLength + 1, "command %d: additive form %d", command.code(), additive);
    requireFoundOnLine(std::span(wire).first(static_cast<std::size_t>(additive)), false);
    const int network = ostrel::canonicalToNetwork(canonical, {192, 168, 1, 10}, wire);
    FUZZ_REQUIRE(network == frame.frameLength + 6, "command %d: network form %d", command.code(), network);
    const int serial = ostrel::canonicalToSerial(canonical, wire);
    FUZZ_REQUIRE(serial == frame.frameLength - 2, "command %d: serial form %d", command.code(), serial);
    requireFoundOnLine(std::span(wire).first(static_cast<std::size_t>(serial)), true);
}

// ---- A serial line's collected bytes ----

// What the front of the collected bytes holds for one layout, by the rule each layout states for itself.
struct LayoutAtFront {
    std::size_t whole = 0; // a whole frame with a good checksum
    bool mayGrow = false;  // a frame still missing bytes could start here
};

LayoutAtFront layoutAtFront(std::span<const std::uint8_t> bytes, std::size_t lengthAt, std::size_t shortest,
                            bool inverted) {
    if (bytes.size() <= lengthAt)
        return {0, true};
    const std::size_t length = bytes[lengthAt];
    if (length < shortest || length > ostrel::SerialLineBuffer::kCapacity)
        return {};
    if (length > bytes.size())
        return {0, true};
    const auto frame = bytes.first(length);
    return {(inverted ? invertedHolds(frame) : additiveHolds(frame)) ? length : 0, false};
}

void serialLine(FuzzInput& in) {
    ostrel::SerialLineBuffer line;
    Bytes model; // what the line must hold
    for (int step = 0; step < FrameProgram::kMaxLineSteps && !in.empty(); ++step) {
        switch (in.byte() % 3) {
        case 0: {
            const auto bytes = in.sized(FrameProgram::kMaxChunk);
            const std::size_t room = line.room();
            line.append(bytes);
            model.insert(model.end(), bytes.begin(), bytes.begin() + std::min(bytes.size(), room));
            break;
        }
        case 1: {
            const std::size_t count = in.byte();
            line.consume(count);
            model.erase(model.begin(),
                        model.begin() + static_cast<std::ptrdiff_t>(std::min(count, model.size())));
            break;
        }
        default:
            line.clear();
            model.clear();
            break;
        }
        FUZZ_REQUIRE(same(line.bytes(), model), "the line holds %zu bytes, %zu expected", line.bytes().size(),
                     model.size());
        FUZZ_REQUIRE(line.room() + model.size() == ostrel::SerialLineBuffer::kCapacity,
                     "room %zu with %zu held", line.room(), model.size());
        const auto front = line.front();
        const auto canonical = layoutAtFront(model, 0, ostrel::canonical::kShortestFrame, false);
        const auto serial = layoutAtFront(model, 2, ostrel::serial::kShortestFrame, true);
        FUZZ_REQUIRE(front.canonicalLength == canonical.whole && front.serialLength == serial.whole,
                     "front: canonical %zu (expected %zu), serial %zu (expected %zu)", front.canonicalLength,
                     canonical.whole, front.serialLength, serial.whole);
        FUZZ_REQUIRE(front.mayGrow == (canonical.mayGrow || serial.mayGrow), "front: mayGrow %d",
                     front.mayGrow);
        // A full line must always be able to move on: a whole frame, or a byte no frame starts with.
        FUZZ_REQUIRE(line.room() > 0 || !front.mayGrow, "a full line waits for more bytes");
    }
}

// ---- A sender's address as GetTerminalProperty writes it ----

void addressText(FuzzInput& in) {
    ostrel::SenderAddress address;
    for (std::uint8_t& octet : address.octets)
        octet = in.byte();
    address.known = in.flag();
    const std::size_t size = in.byte() % (FrameProgram::kMaxTextBuffer + 1);
    std::array<char, FrameProgram::kMaxTextBuffer + 1> buffer;
    buffer.fill('#');
    address.copyTo(std::span(buffer.data(), size));
    FUZZ_REQUIRE(buffer[size] == '#', "address text written past its %zu bytes", size);
    if (size == 0)
        return;
    const std::string full =
        address.known ? std::to_string(address.octets[0]) + "." + std::to_string(address.octets[1]) + "." +
                            std::to_string(address.octets[2]) + "." + std::to_string(address.octets[3])
                      : std::string();
    const std::size_t length = ::strnlen(buffer.data(), size);
    FUZZ_REQUIRE(length < size, "address text in %zu bytes is not terminated", size);
    FUZZ_REQUIRE(std::string_view(buffer.data(), length) == std::string_view(full).substr(0, size - 1),
                 "address text \"%.*s\" for \"%s\"", static_cast<int>(length), buffer.data(), full.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    for (int step = 0; step < FrameProgram::kMaxSteps && !in.empty(); ++step) {
        switch (static_cast<FrameProgram::Step>(in.byte() % FrameProgram::kStepKinds)) {
        case FrameProgram::NetworkToCanonical:
            networkToCanonical(in);
            break;
        case FrameProgram::CanonicalConversions:
            canonicalConversions(in);
            break;
        case FrameProgram::Command:
            commandFrame(in);
            break;
        case FrameProgram::SerialLine:
            serialLine(in);
            break;
        case FrameProgram::AddressText:
            addressText(in);
            break;
        }
    }
    return 0;
}
