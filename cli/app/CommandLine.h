#pragma once

#include <getopt.h>
#include <string>
#include <string_view>

namespace tarvex::cli {

// What every subcommand does with its command line: getopt_long without its own messages, and errors
// told the same way.
class CommandLine {
public:
    // shortOptions without the leading ':' that makes getopt report a missing value apart.
    CommandLine(int argc, char** argv, std::string shortOptions, const option* longOptions);

    // The next option as getopt_long gives it, -1 after the last; '?' and ':' leave error() set.
    int next();
    const char* value() const { return optarg; }
    const std::string& error() const { return error_; }
    // The arguments that are no options, from index() to argc.
    int index() const { return optind; }

private:
    int argc_;
    char** argv_;
    std::string shortOptions_;
    const option* longOptions_;
    std::string error_;
};

// Prints "tarvex-cli: message" and the usage line (the first of usage) on standard error; returns
// kExitBadArguments.
int badArguments(std::string_view message, std::string_view usage);
// Prints "tarvex-cli: message" on standard error; returns the status.
int failure(std::string_view message, int status);

} // namespace tarvex::cli
