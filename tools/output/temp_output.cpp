// SPDX-License-Identifier: Apache-2.0
#include "output/temp_output.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include "base/errors.h"

#if !defined(_WIN32)
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace vekdi::tool {

namespace {

// Paths of the temporary files in progress, readable from a signal handler:
// a slot's path is complete before its flag is set.
constexpr int kSlots = 64;
constexpr size_t kPathMax = 4096;
struct Slot {
    std::atomic<bool> used{false};
    std::atomic<bool> live{false};
    char path[kPathMax];
};
Slot slots[kSlots];

int claimSlot(const std::string& path) {
    if (path.size() >= kPathMax) return -1;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (slots[i].used.compare_exchange_strong(expected, true)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].live.store(true, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void releaseSlot(int i) {
    if (i < 0) return;
    slots[i].live.store(false, std::memory_order_release);
    slots[i].used.store(false, std::memory_order_release);
}

// Other threads may be creating temporary files when a signal arrives. The
// handler must not wait for them (one may need a lock the interrupted thread
// holds): when some are under way it leaves ending the process to the last
// of them, which removes the temporary files once its own is registered.
// None is created after the signal.
std::atomic<bool> dying{false};
std::atomic<int> dyingSignal{0};
std::atomic<int> creating{0};

void removeLive() {
    for (auto& s : slots)
        if (s.live.load(std::memory_order_acquire)) {
#if defined(_WIN32)
            // The open file cannot be deleted here; Windows may keep it.
            (void)s;
#else
            removeQuietly(s.path);
#endif
        }
}

extern "C" void removeAndDie(int sig) {
    std::signal(sig, SIG_DFL);
    dyingSignal.store(sig);
    dying.store(true);
    if (creating.load() != 0) return;
    removeLive();
    std::raise(sig);
}

// Marks a creation under way; the last to finish after a signal ends the
// process (the signal, held in this thread, arrives once it is released).
struct Creating {
    Creating() { creating.fetch_add(1); }
    ~Creating() {
        if (creating.fetch_sub(1) == 1 && dying.load()) {
            removeLive();
            std::raise(dyingSignal.load());
        }
    }
};

} // namespace

void removeTemporariesOnSignals() {
    for (int sig : {SIGINT, SIGTERM}) std::signal(sig, removeAndDie);
}

namespace {
// Holds SIGINT and SIGTERM back while a temporary file is created and
// registered, so that none can be left between the two.
struct SignalsHeld {
#if !defined(_WIN32)
    sigset_t previous;
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &held, &previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
#endif
};
} // namespace

TempOutput::TempOutput(const std::string& target, const FileStatus& model, uint32_t modeMask) : target_(target) {
    {
        SignalsHeld held;
        (void)held;
        const Creating under;
        if (!dying.load()) {
            try {
                file_ = createTemporaryBeside(target);
            } catch (const IoError& e) {
                throw Failure(kExitIo, target + ": cannot write beside it (" + e.what() + ")");
            }
            temp_ = file_.path();
            slot_ = claimSlot(temp_);
        }
    }
    if (temp_.empty()) { // the process is ending: wait for it
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    try {
        file_.takeOwnerAndMode(model, modeMask);
    } catch (...) {
        file_.close();
        removeQuietly(temp_);
        releaseSlot(slot_);
        throw;
    }
}

TempOutput::~TempOutput() {
    if (committed_) return;
    file_.close();
    removeQuietly(temp_);
    releaseSlot(slot_);
}

void TempOutput::commit() {
    file_.sync();
    file_.close();
    replaceFile(temp_, target_);
    committed_ = true;
    releaseSlot(slot_);
}

} // namespace vekdi::tool
