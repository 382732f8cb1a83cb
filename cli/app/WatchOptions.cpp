#include "WatchOptions.h"

#include "CommandLine.h"
#include "OptionValues.h"
#include "PortLinks.h"

namespace tarvex::cli {

namespace {

enum LongOnly { kFor = 256 };

} // namespace

std::optional<WatchOptions> parseWatchOptions(int argc, char** argv, std::string& error) {
    static const option kOptions[] = {{"for", required_argument, nullptr, kFor},
                                      {"json", no_argument, nullptr, 'j'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    CommandLine line(argc, argv, "jh", kOptions);
    WatchOptions options;
    for (int option = line.next(); option != -1; option = line.next()) {
        switch (option) {
        case kFor:
            options.duration = parseSeconds(line.value(), "--for", error);
            if (!options.duration)
                return std::nullopt;
            break;
        case 'j':
            options.json = true;
            break;
        case 'h':
            options.help = true;
            return options;
        default:
            error = line.error();
            return std::nullopt;
        }
    }
    if (!parsePorts(argc, argv, line.index(), options.ports, error))
        return std::nullopt;
    return options;
}

} // namespace tarvex::cli
