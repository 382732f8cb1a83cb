#pragma once

#include "LogRecord.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// What the PC asked a terminal to do, read out of a command's payload for the frame log: texts (sent in
// the terminals' character set, GBK, and logged as UTF-8), password digits, outputs, times and
// programming values.
namespace sim {

// The command's name, or none for a code that has no builder on the PC.
std::optional<std::string_view> commandName(std::uint8_t canonicalCode);

// Adds the payload's fields to the record; a payload too short for its command adds an "error" field.
void describeCommand(std::uint8_t canonicalCode, std::span<const std::uint8_t> payload, LogRecord& record);

} // namespace sim
