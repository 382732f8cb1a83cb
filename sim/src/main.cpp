// zenvar-sim: simulated Zenvar terminals on UDP and serial lines. See usageText() in Options.cpp.
#include "ControlInput.h"
#include "FrameLog.h"
#include "Options.h"
#include "Simulator.h"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file && file != stdout && file != stderr)
            std::fclose(file);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// "-" is standard output; the file is written line by line.
File openLogFile(const std::string& path) {
    if (path == "-")
        return File(stdout);
    return File(std::fopen(path.c_str(), "w"));
}

int fail(const std::string& why) {
    std::cerr << "zenvar-sim: " << why << std::endl;
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = sim::parseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "zenvar-sim: " << error << "\n(zenvar-sim --help shows the options)" << std::endl;
        return 2;
    }
    if (options->help) {
        std::cout << sim::usageText();
        return 0;
    }

    File json;
    if (!options->jsonLog.empty() && !(json = openLogFile(options->jsonLog)))
        return fail("cannot write " + options->jsonLog);
    File readable;
    if (!options->quiet) {
        readable = options->readableLog.empty() ? File(stderr) : openLogFile(options->readableLog);
        if (!readable)
            return fail("cannot write " + options->readableLog);
    }

    asio::io_context io;
    sim::FrameLog log(json.get(), readable.get(), options->logKinds);
    sim::Simulator simulator(io, log);
    try {
        simulator.open(*options);
    } catch (const std::exception& failure) {
        return fail(failure.what());
    }

    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&io](const std::error_code&, int) { io.stop(); });
    sim::ControlInput control(io, simulator, std::cout, [&io] { io.stop(); });
    if (!control.start())
        std::cerr << "zenvar-sim: standard input cannot be watched; control commands are off" << std::endl;

    simulator.start();
    for (const auto& line : simulator.linkDescriptions())
        std::cout << line << '\n';
    std::cout << "ready" << std::endl;
    io.run();
    return 0;
}
