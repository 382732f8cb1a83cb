#include "ControlInput.h"

#include <asio/read_until.hpp>
#include <istream>
#include <unistd.h>
#include <utility>

namespace sim {

ControlInput::ControlInput(asio::io_context& io, Simulator& simulator, std::ostream& out,
                           std::function<void()> quit)
    : input_(io), buffer_(kLongestLine), simulator_(simulator), out_(out), quit_(std::move(quit)) {}

bool ControlInput::start() {
    std::error_code error;
    input_.assign(::dup(STDIN_FILENO), error);
    if (!error)
        input_.non_blocking(true, error);
    // The loop watches descriptors with epoll, which refuses regular files and /dev/null.
    if (error)
        return false;
    readLine();
    return true;
}

void ControlInput::readLine() {
    asio::async_read_until(input_, buffer_, '\n', [this](const std::error_code& error, std::size_t length) {
        if (error == asio::error::operation_aborted)
            return;
        if (error == asio::error::not_found) {
            // The line outgrew the buffer: its start is dropped now and its rest when it comes.
            buffer_.consume(buffer_.size());
            if (!droppingRestOfLine_)
                out_ << "error: a line longer than " << kLongestLine << " bytes" << std::endl;
            droppingRestOfLine_ = true;
            readLine();
            return;
        }
        if (error) {
            quit_();
            return;
        }
        std::string line(asio::buffers_begin(buffer_.data()),
                         asio::buffers_begin(buffer_.data()) + static_cast<std::ptrdiff_t>(length - 1));
        buffer_.consume(length);
        if (!std::exchange(droppingRestOfLine_, false))
            handle(line);
        readLine();
    });
}

void ControlInput::handle(std::string_view line) {
    using Verb = ControlCommand::Verb;
    std::string error;
    const auto command = ControlCommand::parse(line, error);
    if (!command) {
        out_ << "error: " << error << std::endl;
        return;
    }
    switch (command->verb) {
    case Verb::None:
        return;
    case Verb::Help:
        out_ << controlHelpText() << "ok" << std::endl;
        return;
    case Verb::Quit:
        out_ << "ok" << std::endl;
        quit_();
        return;
    default:
        simulator_.execute(*command, out_);
    }
}

} // namespace sim
