#include "WireLayout.h"

namespace sim {

WireLayout layoutOf(int protocolType, LinkKind link) {
    if (protocolType == 1)
        return WireLayout::Canonical;
    return link == LinkKind::Udp ? WireLayout::Network : WireLayout::Serial;
}

const char* nameOf(WireLayout layout) {
    switch (layout) {
    case WireLayout::Canonical:
        return "canonical";
    case WireLayout::Network:
        return "network";
    case WireLayout::Serial:
        return "serial";
    }
    return "?";
}

const FramePositions& positionsOf(WireLayout layout) {
    switch (layout) {
    case WireLayout::Canonical:
        return kCanonicalPositions;
    case WireLayout::Network:
        return kNetworkPositions;
    case WireLayout::Serial:
        return kSerialPositions;
    }
    return kCanonicalPositions;
}

} // namespace sim
