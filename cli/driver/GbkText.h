#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvex::cli {

// The terminals show and store texts in GBK. Converts UTF-8 to GBK; when a character has no GBK code or
// the text is no valid UTF-8, gives nothing and says which character or byte is at fault.
std::optional<std::string> toGbk(std::string_view utf8, std::string& error);

} // namespace tarvex::cli
