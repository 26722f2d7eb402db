// Stopping a film's reading on an ending signal (retime/ending_signals.h).
#include <signal.h>
#include <unistd.h>

#include <iterator>

#include "retime/ending_signals.h"
#include "retime/film_stop.h"

namespace retime {

namespace {

std::atomic<bool>* stopFlag = nullptr;
volatile sig_atomic_t endingSignal = 0;
struct sigaction previous[std::size(kEndingSignals)];

extern "C" void stopTheReading(int signal) {
    endingSignal = signal;
    if (stopFlag != nullptr) stopFlag->store(true);
}

}  // namespace

StopOnEndingRequest::StopOnEndingRequest(std::atomic<bool>& stop) {
    stopFlag = &stop;
    struct sigaction handler {};
    handler.sa_handler = stopTheReading;
    ::sigemptyset(&handler.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        ::sigaction(kEndingSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN) ::sigaction(kEndingSignals[i], &handler, nullptr);
    }
}

StopOnEndingRequest::~StopOnEndingRequest() {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) ::sigaction(kEndingSignals[i], &previous[i], nullptr);
    stopFlag = nullptr;
}

bool endingRequested() { return endingSignal != 0; }

void endAsRequested() {
    const int signal = endingSignal;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    _exit(128 + signal);
}

}  // namespace retime
