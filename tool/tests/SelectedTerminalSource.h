#pragma once

#include "terminals/TerminalEntry.h"

#include <functional>
#include <optional>

// What a page asks its main window for: the terminal `selected` holds when the page asks, or null when it
// holds none. Without a main window (`withMainWindow` false) the page is given nothing to ask.
inline std::function<const TerminalEntry*()>
selectedTerminalSource(const std::optional<TerminalEntry>& selected, bool withMainWindow) {
    if (!withMainWindow)
        return {};
    return [&selected]() -> const TerminalEntry* { return selected ? &*selected : nullptr; };
}
