// Stopping a film's reading on the console's Ctrl+C, Ctrl+Break or closing.
#include <windows.h>

#include <cstdlib>

#include "retime/film_stop.h"

namespace retime {

namespace {

std::atomic<bool>* stopFlag = nullptr;
std::atomic<bool> requested{false};

BOOL WINAPI stopTheReading(DWORD) {
    requested.store(true);
    if (stopFlag != nullptr) stopFlag->store(true);
    // Handled: the reading stops and the tool ends by itself. On closing the
    // console the system ends the process once this returns: nothing has
    // been written by then either.
    return TRUE;
}

}  // namespace

StopOnEndingRequest::StopOnEndingRequest(std::atomic<bool>& stop) {
    stopFlag = &stop;
    SetConsoleCtrlHandler(stopTheReading, TRUE);
}

StopOnEndingRequest::~StopOnEndingRequest() {
    SetConsoleCtrlHandler(stopTheReading, FALSE);
    stopFlag = nullptr;
}

bool endingRequested() { return requested.load(); }

void endAsRequested() {
    // The status a console program ended by Ctrl+C has; through exit(), so
    // that what the tool set up is given back (the console's code page).
    std::exit(static_cast<int>(STATUS_CONTROL_C_EXIT));
}

}  // namespace retime
