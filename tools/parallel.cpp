// SPDX-License-Identifier: Apache-2.0
#include "parallel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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

} // namespace vekdi::tool
