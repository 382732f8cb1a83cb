#include "CommandLine.h"

#include "ExitCode.h"

#include <cstdio>

namespace tarvex::cli {

CommandLine::CommandLine(int argc, char** argv, std::string shortOptions, const option* longOptions)
    : argc_(argc), argv_(argv), shortOptions_(std::move(shortOptions.insert(0, 1, ':'))),
      longOptions_(longOptions) {
    // 0 makes glibc start afresh; the program parses one command line, but tests may parse several.
    optind = 0;
    opterr = 0;
}

int CommandLine::next() {
    const int result = getopt_long(argc_, argv_, shortOptions_.c_str(), longOptions_, nullptr);
    if (result == '?' || result == ':') {
        // A long option is named by its argument (up to a '='), a short one by optopt.
        const std::string argument = optind > 0 && optind <= argc_ ? argv_[optind - 1] : "";
        const bool isLong = argument.starts_with("--");
        const std::string given =
            isLong ? argument.substr(0, argument.find('=')) : std::string("-") + static_cast<char>(optopt);
        error_ = result == '?' ? "unknown option '" + given + "'" : "option '" + given + "' needs a value";
    }
    return result;
}

int badArguments(std::string_view message, std::string_view usage) {
    const std::string_view usageLine = usage.substr(0, usage.find('\n'));
    std::fprintf(stderr, "tarvex-cli: %.*s\n%.*s\n(--help tells more)\n", static_cast<int>(message.size()),
                 message.data(), static_cast<int>(usageLine.size()), usageLine.data());
    return kExitBadArguments;
}

int failure(std::string_view message, int status) {
    std::fprintf(stderr, "tarvex-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return status;
}

} // namespace tarvex::cli
