#include "BridgeCommand.h"

#include "BridgeConfig.h"
#include "BridgeOptions.h"
#include "BridgeRunner.h"
#include "ExitCode.h"
#include "StopSignals.h"

#include <filesystem>
#include <iostream>

namespace tarvex::cli {

namespace {

int badArguments(const std::string& error) {
    std::cerr << "tarvex-cli bridge: " << error << "\n(tarvex-cli bridge --help tells more)" << std::endl;
    return kExitBadArguments;
}

// The configuration file's settings, then the command line's on top; false with error.
bool gatherSettings(const BridgeOptions& options, BridgeSettings& settings, std::string& error) {
    std::optional<std::string> path = options.configPath;
    std::error_code ignored;
    if (!path && std::filesystem::exists(kDefaultBridgeConfig, ignored))
        path = std::string(kDefaultBridgeConfig);
    std::vector<SettingEntry> entries;
    if (path) {
        auto fromFile = readBridgeConfig(*path, error, std::cerr);
        if (!fromFile)
            return false;
        entries = std::move(*fromFile);
    }
    entries.insert(entries.end(), options.entries.begin(), options.entries.end());
    for (const auto& entry : entries) {
        if (!applySetting(settings, entry, error))
            return false;
    }
    return completeSettings(settings, error, std::cerr);
}

} // namespace

int runBridge(int argc, char** argv) {
    std::string error;
    const auto options = parseBridgeOptions(argc, argv, error);
    if (!options)
        return badArguments(error);
    if (options->help) {
        std::cout << bridgeUsage();
        return kExitDone;
    }
    BridgeSettings settings;
    if (!gatherSettings(*options, settings, error))
        return badArguments(error);

    BridgeRunner::Queue inputs;
    // Before any thread starts, so that only the watcher takes the signals.
    StopSignals stop([&inputs] { inputs.push(StopRequested{}); });
    BridgeRunner runner(settings, inputs, std::cerr);
    if (!runner.openPorts(error)) {
        std::cerr << "tarvex-cli bridge: " << error << std::endl;
        return kExitPortUnusable;
    }
    if (!runner.startClient(error))
        return badArguments(error);
    runner.run();
    return kExitDone;
}

} // namespace tarvex::cli
