#include "TopicTree.h"

namespace tarvex::cli {

std::string TopicTree::terminal(std::int32_t portNumber, TerminalAddress address,
                                std::string_view leaf) const {
    return base_ + "/" + std::to_string(portNumber) + "/" + address.text() + "/" + std::string(leaf);
}

std::string TopicTree::zone(std::int32_t portNumber, TerminalAddress address, int zone,
                            std::string_view leaf) const {
    return terminal(portNumber, address, "zone/" + std::to_string(zone) + "/" + std::string(leaf));
}

std::vector<std::string> TopicTree::subscriptions() const {
    return {base_ + "/+/+/command", base_ + "/+/+/panel/set"};
}

std::optional<TopicTree::Incoming> TopicTree::parse(std::string_view topic) const {
    if (!topic.starts_with(base_) || topic.substr(base_.size(), 1) != "/")
        return std::nullopt;
    topic.remove_prefix(base_.size() + 1);
    const auto portEnd = topic.find('/');
    if (portEnd == std::string_view::npos)
        return std::nullopt;
    const auto addressEnd = topic.find('/', portEnd + 1);
    if (addressEnd == std::string_view::npos)
        return std::nullopt;
    const auto rest = topic.substr(addressEnd + 1);
    Incoming incoming{std::string(topic.substr(0, portEnd)),
                      std::string(topic.substr(portEnd + 1, addressEnd - portEnd - 1)),
                      Incoming::Kind::Command};
    if (rest == "command")
        return incoming;
    if (rest == "panel/set") {
        incoming.kind = Incoming::Kind::PanelSet;
        return incoming;
    }
    return std::nullopt;
}

} // namespace tarvex::cli
