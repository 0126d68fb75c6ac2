#include "platform/linux/interrupted_input.h"

#include <signal.h>

#include <array>
#include <csignal>

namespace platform::interrupted_input {
namespace {

constexpr std::array<int, 4> stopSignals{SIGTERM, SIGINT, SIGQUIT, SIGHUP};

volatile std::sig_atomic_t outstanding = 0;
volatile std::sig_atomic_t caught = 0;

std::array<void (*)(), 4> undos{};
std::size_t undoCount = 0;
bool installed = false;
void (*flushInput)() = nullptr;
bool undoing = false;

void endBy(int signal) {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

// Only async-signal-safe work here. The raised signal stays blocked until
// the handler returns, then acts by default.
void noteSignal(int signal) {
    if (outstanding > 0)
        caught = signal;
    else
        endBy(signal);
}

}  // namespace

void catchInterrupts(void (*flush)()) {
    if (installed) return;
    installed = true;
    flushInput = flush;
    for (const int signal : stopSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
        struct sigaction handler {};
        handler.sa_handler = noteSignal;
        sigemptyset(&handler.sa_mask);
        // While one signal waits for its safe point, the others wait too.
        for (const int other : stopSignals) sigaddset(&handler.sa_mask, other);
        handler.sa_flags = SA_RESTART;
        sigaction(signal, &handler, nullptr);
    }
}

void beginOutstanding() { outstanding = outstanding + 1; }

void endOutstanding() {
    if (outstanding > 0) outstanding = outstanding - 1;
    if (outstanding == 0 && caught && !undoing) honourInterrupt();
}

void onInterrupt(void (*undo)()) {
    for (std::size_t i = 0; i < undoCount; ++i)
        if (undos[i] == undo) return;
    if (undoCount < undos.size()) undos[undoCount++] = undo;
}

void honourInterrupt() {
    if (!caught) return;
    const int signal = caught;
    undoing = true;
    for (std::size_t i = 0; i < undoCount; ++i) undos[i]();
    if (flushInput) flushInput();
    endBy(signal);
}

}  // namespace platform::interrupted_input
