#pragma once

#include "TerminalAddress.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace tarvex::cli {

// The terminals' passwords, kept by the bridge so that arming and programming over MQTT never carries
// them: one for a terminal of a port, else the default.
class PasswordStore {
public:
    void setDefault(std::string password) { default_ = std::move(password); }
    void set(std::int32_t portNumber, TerminalAddress address, std::string password) {
        passwords_[{portNumber, address}] = std::move(password);
    }

    std::optional<std::string> find(std::int32_t portNumber, TerminalAddress address) const {
        const auto found = passwords_.find({portNumber, address});
        return found != passwords_.end() ? std::optional(found->second) : default_;
    }

private:
    std::optional<std::string> default_;
    std::map<std::pair<std::int32_t, TerminalAddress>, std::string> passwords_;
};

} // namespace tarvex::cli
