// SPDX-License-Identifier: Apache-2.0
#include <atomic>
#include <cstdlib>

#include "base/allocator.h"

namespace {
std::atomic<long> liveBlocks{0};
std::atomic<long> requestCount{0};
std::atomic<long> failAtRequest{0};  // absolute request number that fails; 0 = none
}  // namespace

extern "C" {

VEKCORE_API void* vekMalloc(int size) {
    const long request = requestCount.fetch_add(1) + 1;
    long target = failAtRequest.load();
    if (target != 0 && request == target) {
        failAtRequest.compare_exchange_strong(target, 0);
        return nullptr;
    }
    if (size < 0) return nullptr;
    void* p = std::malloc(size == 0 ? 1 : static_cast<size_t>(size));
    if (p != nullptr) liveBlocks.fetch_add(1);
    return p;
}

VEKCORE_API void vekFree(void* ptr) {
    if (ptr == nullptr) return;
    liveBlocks.fetch_sub(1);
    std::free(ptr);
}

VEKCORE_API void vekcoreFailRequest(long n) { failAtRequest.store(n > 0 ? requestCount.load() + n : 0); }

VEKCORE_API long vekcoreLiveBlocks(void) { return liveBlocks.load(); }

VEKCORE_API long vekcoreRequestCount(void) { return requestCount.load(); }

}  // extern "C"
