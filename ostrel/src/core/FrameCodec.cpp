#include "FrameCodec.h"

#include "FrameLayout.h"

#include <algorithm>
#include <numeric>

namespace ostrel {

namespace {

constexpr std::size_t kChecksumSize = 1;

struct CodePair {
    std::uint8_t canonical;
    std::uint8_t network;
};

// Commands from the PC to protocol type 2 terminals.
constexpr std::array<CodePair, 17> kOutgoingCodes{{
    {5, 4},
    {6, 2},
    {7, 20},
    {8, 5},
    {10, 18},
    {11, 22},
    {12, 23},
    {13, 16},
    {32, 81},
    {33, 87},
    {34, 82},
    {35, 88},
    {95, 95},
    {129, 124},
    {130, 124},
    {131, 124},
    {132, 124},
}};

// Replies (code with 0x80 set in either numbering) and reports from protocol type 2 terminals.
constexpr std::array<CodePair, 17> kIncomingCodes{{
    {134, 130},
    {133, 132},
    {136, 133},
    {141, 144},
    {138, 146},
    {135, 148},
    {139, 150},
    {140, 151},
    {160, 209},
    {162, 210},
    {161, 215},
    {163, 216},
    {223, 223},
    {1, 224},
    {3, 226},
    {4, 227},
    {2, 241},
}};

// A canonical frame as the send rings hold it: a whole header, and a length byte counting the
// checksum that is not there yet.
bool isCanonicalWithoutChecksum(std::span<const std::uint8_t> canonical) {
    return canonical.size() >= canonical::kPayload &&
           std::size_t{canonical[canonical::kLength]} == canonical.size() + kChecksumSize;
}

std::span<const std::uint8_t> payloadOf(std::span<const std::uint8_t> canonical) {
    return canonical.subspan(canonical::kPayload);
}

// Checksums the first length - 1 bytes of out into its last byte and returns length.
int sealInverted(WireBuffer& out, std::size_t length) {
    out[length - kChecksumSize] = invertedChecksum({out.data(), length - kChecksumSize});
    return static_cast<int>(length);
}

} // namespace

std::uint8_t additiveChecksum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

std::uint8_t invertedChecksum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(0xFF - additiveChecksum(bytes));
}

std::optional<std::uint8_t> networkCodeOf(std::uint8_t canonicalCode) {
    const auto pair =
        std::find_if(kOutgoingCodes.begin(), kOutgoingCodes.end(),
                     [canonicalCode](const CodePair& p) { return p.canonical == canonicalCode; });
    if (pair == kOutgoingCodes.end())
        return std::nullopt;
    return pair->network;
}

std::optional<std::uint8_t> canonicalCodeOf(std::uint8_t networkCode) {
    const auto pair = std::find_if(kIncomingCodes.begin(), kIncomingCodes.end(),
                                   [networkCode](const CodePair& p) { return p.network == networkCode; });
    if (pair == kIncomingCodes.end())
        return std::nullopt;
    return pair->canonical;
}

int canonicalToNetwork(std::span<const std::uint8_t> canonical, const Ipv4Address& localAddress,
                       WireBuffer& out) {
    if (!isCanonicalWithoutChecksum(canonical))
        return 0;
    const auto code = networkCodeOf(canonical[canonical::kCode]);
    const auto payload = payloadOf(canonical);
    const std::size_t length = network::kPayload + payload.size() + kChecksumSize;
    if (!code || length > out.size())
        return 0;
    std::copy(localAddress.begin(), localAddress.end(), out.begin() + network::kSender);
    out[network::kReserved] = 0;
    out[network::kHeaderHigh] = canonical[canonical::kHeaderHigh];
    out[network::kHeaderLow] = canonical[canonical::kHeaderLow];
    out[network::kCanonicalReserved] = canonical[canonical::kReserved];
    out[network::kAddressA] = canonical[canonical::kAddressA];
    out[network::kAddressB] = canonical[canonical::kAddressB];
    out[network::kLength] = static_cast<std::uint8_t>(length);
    out[network::kCode] = *code;
    std::copy(payload.begin(), payload.end(), out.begin() + network::kPayload);
    return sealInverted(out, length);
}

int canonicalToSerial(std::span<const std::uint8_t> canonical, WireBuffer& out) {
    if (!isCanonicalWithoutChecksum(canonical))
        return 0;
    const auto code = networkCodeOf(canonical[canonical::kCode]);
    const auto payload = payloadOf(canonical);
    const std::size_t length = serial::kPayload + payload.size() + kChecksumSize;
    if (!code || length > out.size())
        return 0;
    out[serial::kAddressA] = canonical[canonical::kAddressA];
    out[serial::kAddressB] = canonical[canonical::kAddressB];
    out[serial::kLength] = static_cast<std::uint8_t>(length);
    out[serial::kCode] = *code;
    std::copy(payload.begin(), payload.end(), out.begin() + serial::kPayload);
    return sealInverted(out, length);
}

int withAdditiveChecksum(std::span<const std::uint8_t> canonical, WireBuffer& out) {
    const std::size_t length = canonical.size() + kChecksumSize;
    if (!isCanonicalWithoutChecksum(canonical) || length > out.size())
        return 0;
    std::copy(canonical.begin(), canonical.end(), out.begin());
    out[length - kChecksumSize] = additiveChecksum(canonical);
    return static_cast<int>(length);
}

bool networkToCanonical(std::span<const std::uint8_t> network, CanonicalFrame& out) {
    if (network.size() < network::kShortestFrame || network.size() > kWireBufferSize ||
        std::size_t{network[network::kLength]} != network.size())
        return false;
    const auto code = canonicalCodeOf(network[network::kCode]);
    if (!code)
        return false;
    const auto payload = network.subspan(network::kPayload, network.size() - network::kShortestFrame);
    const std::size_t length = canonical::kPayload + payload.size() + kChecksumSize;
    out.bytes[canonical::kLength] = static_cast<std::uint8_t>(length);
    out.bytes[canonical::kAddressA] = network[network::kAddressA];
    out.bytes[canonical::kAddressB] = network[network::kAddressB];
    out.bytes[canonical::kHeaderHigh] = 0;
    out.bytes[canonical::kHeaderLow] = 0;
    out.bytes[canonical::kReserved] = 0;
    out.bytes[canonical::kCode] = *code;
    std::copy(payload.begin(), payload.end(), out.bytes.begin() + canonical::kPayload);
    // The frame was checked in its network form; the slot of a canonical checksum stays 0, which is what a
    // sign-off without data shows in its eighth byte.
    out.bytes[length - kChecksumSize] = 0;
    out.length = static_cast<int>(length);
    std::copy_n(network.begin() + network::kSender, out.sender.size(), out.sender.begin());
    return true;
}

} // namespace ostrel
