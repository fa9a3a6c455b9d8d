// SPDX-License-Identifier: Apache-2.0
// A small pool of worker threads for independent tasks, and the progress bar
// drawn on stderr while they run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vekdi::tool {

// Draws "label [#####    ]  42%" on stderr about ten times a second while
// enabled (only when stderr is a terminal and not asked to be quiet).
class Progress {
public:
    Progress(std::string label, uint64_t total, bool enabled);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void add(uint64_t amount) { done_.fetch_add(amount, std::memory_order_relaxed); }
    void setTotal(uint64_t total) { total_.store(total); }
    void finish();

private:
    void draw(bool last);
    std::string label_;
    std::atomic<uint64_t> total_;
    std::atomic<uint64_t> done_{0};
    std::atomic<bool> stop_{false};
    std::thread drawer_;
};

// Whether stderr is a terminal.
bool stderrIsTerminal();

// Workers to use: `asked`, or every core when 0.
unsigned workerCount(unsigned asked);

// Runs body(task, worker) for every task in [0, count) on up to `workers`
// threads (worker < workers). After a task throws, no new tasks start and the
// first exception is rethrown.
void parallelFor(uint64_t count, unsigned workers, const std::function<void(uint64_t task, unsigned worker)>& body);

// Runs body(task, units) for every task in [0, units.size()), sharing
// `capacity` units (of threads, memory: the caller's measure) between them:
// tasks start in order, task i holding units[i] (1 to capacity) while it
// runs, at most `maxTasks` at once. done(task) is called on the calling
// thread for each task in order, as soon as it and every task before it have
// finished. After a body throws no new task starts, and the first exception
// is rethrown once the running tasks have finished.
void shareThreads(const std::vector<unsigned>& units, unsigned capacity, unsigned maxTasks,
                  const std::function<void(uint64_t task, unsigned units)>& body,
                  const std::function<void(uint64_t task)>& done);

} // namespace vekdi::tool
