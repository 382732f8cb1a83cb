#pragma once

namespace tarvex::cli {

// Each subcommand of tarvex-cli takes the arguments from its own name on (argv[0] is "listen", ...) and
// returns the program's exit status (ExitCode.h).
int runListen(int argc, char** argv);
int runSend(int argc, char** argv);
int runStates(int argc, char** argv);

} // namespace tarvex::cli
