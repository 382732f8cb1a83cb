#include "WireCommand.h"

#include "GbkText.h"

namespace tarvex::cli {

namespace {

// Most bytes of each text in its frame, its 0 byte aside.
constexpr std::size_t kDisplayTextBytes = 63;
constexpr std::size_t kMessageTextBytes = 64;
constexpr std::size_t kNameBytes = 60;
constexpr std::size_t kProgramTextBytes = 59;

// Puts the text into GBK in place; false, with the reason, when it cannot be had in `most` bytes.
bool encode(std::string& text, std::size_t most, std::string_view command, std::string_view field,
            std::string& error) {
    const std::string prefix = std::string(command) + ": " + std::string(field);
    std::string why;
    auto gbk = toGbk(text, why);
    if (!gbk) {
        error = prefix + ": " + why;
        return false;
    }
    if (gbk->size() > most) {
        error = prefix + " is " + std::to_string(gbk->size()) + " bytes in GBK, at most " +
                std::to_string(most) + " fit";
        return false;
    }
    text = std::move(*gbk);
    return true;
}

struct TextEncoder {
    std::string& error;

    bool operator()(DisplayCommand& c) { return encode(c.text, kDisplayTextBytes, "display", "text", error); }
    bool operator()(MessageCommand& c) { return encode(c.text, kMessageTextBytes, "message", "text", error); }
    bool operator()(NameCommand& c) { return encode(c.name, kNameBytes, "name", "name", error); }
    // Only a text goes out as its characters; the other modes hold digits or an address, checked already.
    bool operator()(ProgramCommand& c) {
        return c.mode != ProgramDataMode::Text || encode(c.data, kProgramTextBytes, "program", "data", error);
    }
    bool operator()(auto&) { return true; }
};

} // namespace

std::optional<WireCommand> toWireCommand(const CommandRequest& request, std::string& error) {
    WireCommand wire{request};
    if (!std::visit(TextEncoder{error}, wire.request))
        return std::nullopt;
    return wire;
}

} // namespace tarvex::cli
