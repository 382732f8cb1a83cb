// tarvex-cli: Zenvar terminals from scripts and servers, through Ostrel. The first argument names the
// subcommand, which takes the rest.
#include "BridgeCommand.h"
#include "CommandLine.h"
#include "ExitCode.h"
#include "Subcommands.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kUsage = R"(usage: tarvex-cli COMMAND [ARGUMENTS] [OPTIONS]

Zenvar alarm terminals from the command line, through Ostrel.

Commands:
  listen PORT...                  print every terminal event as it happens
  send PORT A.B COMMAND [ARGS]    send one command to a terminal and wait for its answer
  states PORT...                  listen a while, then list the terminals heard and their states
  bridge --mqtt HOST[:PORT] ...   carry terminals' states and events to an MQTT broker, commands back

PORT is 1 to 10 for COM1 to COM10 (the device link dev/COMn of the current folder, else
/dev/ttyS0 to /dev/ttyS9), any other number the local UDP port to bind. "tarvex-cli COMMAND --help"
tells more.

  -h, --help      this text
  --version       the program's version

Exit status: 0 done, 1 bad arguments, 2 a command not answered (send), 3 a port cannot be opened.
)";

struct Subcommand {
    std::string_view name;
    int (*run)(int argc, char** argv);
};

constexpr std::array kSubcommands{
    Subcommand{"listen", &tarvex::cli::runListen},
    Subcommand{"send", &tarvex::cli::runSend},
    Subcommand{"states", &tarvex::cli::runStates},
    Subcommand{"bridge", &tarvex::cli::runBridge},
};

} // namespace

int main(int argc, char** argv) {
    using namespace tarvex::cli;
    if (argc < 2)
        return badArguments("no command given", kUsage);
    const std::string_view first = argv[1];
    if (first == "-h" || first == "--help") {
        std::fputs(kUsage.data(), stdout);
        return kExitDone;
    }
    if (first == "--version") {
        std::puts("tarvex-cli " TARVEX_VERSION);
        return kExitDone;
    }
    for (const Subcommand& subcommand : kSubcommands) {
        if (subcommand.name == first)
            return subcommand.run(argc - 1, argv + 1);
    }
    return badArguments((first.starts_with("-") ? "unknown option '" : "unknown command '") +
                            std::string(first) + "'",
                        kUsage);
}
