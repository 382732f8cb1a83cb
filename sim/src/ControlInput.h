#pragma once

#include "Simulator.h"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/streambuf.hpp>
#include <functional>
#include <ostream>

namespace sim {

// Reads control commands from standard input, one per line, applies them and answers each on `out`.
// The end of input quits, like the quit command.
class ControlInput {
public:
    static constexpr std::size_t kLongestLine = 4096;

    ControlInput(asio::io_context& io, Simulator& simulator, std::ostream& out, std::function<void()> quit);

    // False when standard input cannot be watched (a regular file, /dev/null): control is then off.
    bool start();

private:
    void readLine();
    void handle(std::string_view line);

    asio::posix::stream_descriptor input_;
    asio::streambuf buffer_;
    Simulator& simulator_;
    std::ostream& out_;
    std::function<void()> quit_;
    bool droppingRestOfLine_ = false;
};

} // namespace sim
