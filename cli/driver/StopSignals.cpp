#include "StopSignals.h"

#include <pthread.h>

namespace tarvex::cli {

StopSignals::StopSignals(std::function<void()> onStop) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    watcher_ = std::thread([this, onStop = std::move(onStop)] {
        int received = 0;
        sigwait(&signals_, &received);
        if (!ending_)
            onStop();
    });
}

StopSignals::~StopSignals() {
    // The watcher may still wait: a signal of our own ends its wait, and it calls nothing.
    ending_ = true;
    pthread_kill(watcher_.native_handle(), SIGTERM);
    watcher_.join();
}

} // namespace tarvex::cli
