// SPDX-License-Identifier: Apache-2.0
#include "threads/parallel.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vekdi::tool {

bool stderrIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

Progress::Progress(std::string label, uint64_t total, bool enabled) : label_(std::move(label)), total_(total) {
    if (!enabled) return;
    drawer_ = std::thread([this] {
        while (!stop_.load()) {
            draw(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
}

Progress::~Progress() { finish(); }

void Progress::finish() {
    if (!drawer_.joinable()) return;
    stop_ = true;
    drawer_.join();
    draw(true);
}

void Progress::draw(bool last) {
    const uint64_t total = total_.load();
    const uint64_t done = std::min(done_.load(std::memory_order_relaxed), total);
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    const int width = 30, filled = percent * width / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), ' ');
    std::fprintf(stderr, "\r%-8s [%s] %3d%%%s", label_.c_str(), bar.c_str(), percent, last ? "\n" : "");
    std::fflush(stderr);
}

unsigned workerCount(unsigned asked) {
    if (asked) return asked;
    const unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

void parallelFor(uint64_t count, unsigned workers, const std::function<void(uint64_t, unsigned)>& body) {
    if (count == 0) return;
    if (workers > count) workers = static_cast<unsigned>(count);
    std::atomic<uint64_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorLock;
    auto run = [&](unsigned worker) {
        for (;;) {
            if (failed.load()) return;
            const uint64_t task = next.fetch_add(1);
            if (task >= count) return;
            try {
                body(task, worker);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorLock);
                if (!error) error = std::current_exception();
                failed = true;
                return;
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) threads.emplace_back(run, w);
    run(0);
    for (auto& t : threads) t.join();
    if (error) std::rethrow_exception(error);
}

void shareThreads(const std::vector<unsigned>& units, unsigned capacity, unsigned maxTasks,
                  const std::function<void(uint64_t, unsigned)>& body, const std::function<void(uint64_t)>& done) {
    const uint64_t count = units.size();
    if (count == 0) return;
    capacity = std::max(1u, capacity);
    maxTasks = std::clamp(maxTasks, 1u, capacity);
    std::mutex lock;
    std::condition_variable changed;
    unsigned idle = capacity; // units not held by a started or waiting task
    std::deque<std::pair<uint64_t, unsigned>> waiting;
    std::vector<bool> finished(static_cast<size_t>(count), false);
    bool closing = false;
    std::exception_ptr error;

    auto serve = [&] {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [&] { return closing || !waiting.empty(); });
            if (waiting.empty()) return;
            const auto [task, held] = waiting.front();
            waiting.pop_front();
            hold.unlock();
            std::exception_ptr failure;
            try {
                body(task, held);
            } catch (...) {
                failure = std::current_exception();
            }
            hold.lock();
            if (failure && !error) error = failure;
            finished[static_cast<size_t>(task)] = true;
            idle += held;
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    // Stops the pool however the caller leaves (done() may throw).
    struct Closer {
        std::mutex& lock;
        std::condition_variable& changed;
        bool& closing;
        std::deque<std::pair<uint64_t, unsigned>>& waiting;
        std::vector<std::thread>& pool;
        ~Closer() {
            {
                const std::lock_guard<std::mutex> hold(lock);
                closing = true;
                waiting.clear();
            }
            changed.notify_all();
            for (auto& t : pool) t.join();
        }
    } closer{lock, changed, closing, waiting, pool};
    for (unsigned i = 0; i < maxTasks; ++i) pool.emplace_back(serve);

    uint64_t next = 0, reported = 0;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        while (reported < next && finished[static_cast<size_t>(reported)]) {
            hold.unlock();
            done(reported);
            hold.lock();
            ++reported;
        }
        if (next < count && !error) {
            const unsigned want = std::clamp(units[static_cast<size_t>(next)], 1u, capacity);
            if (idle >= want) {
                idle -= want;
                waiting.emplace_back(next++, want);
                changed.notify_all();
                continue;
            }
        } else if (reported == next) {
            break;
        }
        changed.wait(hold);
    }
    hold.unlock();
    // Every started task has finished: the closer only stops idle threads.
    if (error) std::rethrow_exception(error);
}

} // namespace vekdi::tool
