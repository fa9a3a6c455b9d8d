/* SPDX-License-Identifier: Apache-2.0 */
/*
 * The allocator vekdi takes its temporary working memory from, built as its
 * own small library (vekcore), with fault-injection hooks for the tests.
 */
#ifndef VEKDI_BASE_ALLOCATOR_H
#define VEKDI_BASE_ALLOCATOR_H

#include <stddef.h>

#if defined(_WIN32)
#  if defined(VEKCORE_BUILDING_LIBRARY)
#    define VEKCORE_API __declspec(dllexport)
#  else
#    define VEKCORE_API __declspec(dllimport)
#  endif
#else
#  define VEKCORE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A block of at least `size` bytes aligned for any object, or null when none
 * is available (or size is negative). */
VEKCORE_API void* vekMalloc(int size);
/* Releases a block obtained from vekMalloc; null is ignored. */
VEKCORE_API void vekFree(void* ptr);

/* Fault-injection hooks for the tests. The state lives in this library, never
 * in vekdi itself.
 * vekcoreFailRequest(n): the n-th vekMalloc request from now (1 = the next)
 * returns null; n <= 0 disarms. vekcoreLiveBlocks(): blocks obtained and not
 * yet freed. vekcoreRequestCount(): vekMalloc calls since the library loaded. */
VEKCORE_API void vekcoreFailRequest(long n);
VEKCORE_API long vekcoreLiveBlocks(void);
VEKCORE_API long vekcoreRequestCount(void);

#ifdef __cplusplus
}
#endif

#endif /* VEKDI_BASE_ALLOCATOR_H */
