#include "zorctl/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t requested = 0;

void OnSignal(int number) {
    requested = 1;
    // Some C libraries reset the handler before calling it; a second Ctrl-C
    // must not end the process half-way through a row either.
    std::signal(number, OnSignal);
}

} // namespace

namespace interrupt {

void Catch() {
    std::signal(SIGINT, OnSignal);
#ifdef SIGBREAK
    std::signal(SIGBREAK, OnSignal);
#endif
}

bool Requested() {
    return requested != 0;
}

} // namespace interrupt
