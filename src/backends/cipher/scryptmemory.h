// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The allocator OpenSSL works with, installed through CRYPTO_set_mem_functions so that
// scrypt's large region (256 MiB at the written work factor) lies on transparent huge pages:
// on 4 KiB pages the second, random pass of scrypt misses the TLB on nearly every block.
//
// Blocks below kRegionThreshold come from malloc. Larger ones get a mapping of their own,
// 2 MiB aligned, with MADV_HUGEPAGE and MADV_DONTDUMP. Every block is wiped before it is
// released. One region is kept mapped after its release (wiped, and marked MADV_FREE, so
// that the kernel may take it back under memory pressure and counts it as available memory
// meanwhile): the next derivation then finds its huge pages already assembled.
#include <cstddef>

namespace Cipher::ScryptMemory {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kRegionThreshold = kHugePage;

// Puts the allocator in charge of OpenSSL's allocations. OpenSSL accepts that only before it
// has allocated anything, so the cipher backend calls this first in alb() and before every
// derivation. true when the allocator is in charge (on later calls too); false when OpenSSL
// had allocated before, and then its own malloc stays in use. Thread-safe.
bool install();

// The three functions handed to OpenSSL (tests call them directly).
void* allocate(std::size_t size, const char* file, int line);
void* reallocate(void* block, std::size_t size, const char* file, int line);
void release(void* block, const char* file, int line);

// Gives the kept region back to the system now (dalb, tests).
void releaseKeptRegion();

// Tests and benchmarks: huge pages asked for (default) or refused with MADV_NOHUGEPAGE, as
// on a system where they are off; and whether a released region is kept for the next use
// (default yes).
void setHugePages(bool on);
void setKeepRegion(bool on);

struct Stats {
    long regionsMapped = 0; // mappings made since the start
    long regionsReused = 0; // allocations served by the kept region
    std::size_t keptBytes = 0;
    std::size_t mappedBytes = 0; // in regions, kept or in use
};
Stats stats();

} // namespace Cipher::ScryptMemory
