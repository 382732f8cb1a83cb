#pragma once

namespace tarvex::cli {

// tarvex-cli bridge: argv[0] is "bridge". Returns the exit status: 0 after SIGINT or SIGTERM, 1 for bad
// options or configuration, 3 when a port cannot be opened.
int runBridge(int argc, char** argv);

} // namespace tarvex::cli
