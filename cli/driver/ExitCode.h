#pragma once

namespace tarvex::cli {

// What tarvex-cli's exit status tells a script.
enum ExitCode : int {
    kExitDone = 0,
    kExitBadArguments = 1,
    kExitNotAnswered = 2,  // send: given up, unreachable, not heard or no outcome in time
    kExitPortUnusable = 3, // a port could not be opened
};

} // namespace tarvex::cli
