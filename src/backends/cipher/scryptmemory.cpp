// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/cipher/scryptmemory.h"

#include "backends/cipher/cipher.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <openssl/crypto.h>
#include <sodium.h>
#include <sys/mman.h>

namespace Cipher::ScryptMemory {

namespace {

// In front of every block handed out. mapped is 0 for a malloc block, else the length of
// the region's mapping, which starts kRegionOffset bytes before the block.
struct Header {
    std::size_t size;
    std::size_t mapped;
};
static_assert(sizeof(Header) == 16, "blocks keep malloc's 16-byte alignment");

// A region's block starts one cache line into it, so that scrypt's 64-byte blocks do not
// straddle two cache lines; the header sits right before it.
constexpr std::size_t kRegionOffset = 64;

// The largest region kept after its release: the one of the written work factor. A region
// for a costly received file (512 MiB, 1 GiB) goes back at once.
constexpr std::size_t kKeepLimit =
    (std::size_t(128) * 8 << kSilentWorkFactor) + kRegionOffset + 2 * kHugePage;

std::atomic<bool> g_hugePages = true;
std::atomic<bool> g_keepRegion = true;

std::mutex g_mutex; // guards what follows (trivially destructible: usable at exit too)
unsigned char* g_kept = nullptr;
std::size_t g_keptLength = 0;
Stats g_stats;

Header* headerOf(void* block) {
    return reinterpret_cast<Header*>(static_cast<unsigned char*>(block) - sizeof(Header));
}

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// Writes zeros where the block is not zero yet. OpenSSL's scrypt wipes its region itself
// (OPENSSL_clear_free); reading it back costs less than a second write over 256 MiB, and a
// caller that did not wipe is still covered.
void wipeRegion(unsigned char* p, std::size_t n) {
    constexpr std::size_t kChunk = 64 * 1024;
    for (std::size_t done = 0; done < n; done += kChunk) {
        const std::size_t len = std::min(kChunk, n - done);
        const unsigned char* q = p + done;
        std::uint64_t any = 0;
        std::size_t i = 0;
        for (; i + 8 <= len; i += 8) {
            std::uint64_t w;
            std::memcpy(&w, q + i, 8);
            any |= w;
        }
        for (; i < len; ++i)
            any |= q[i];
        if (any) {
            sodium_memzero(p + done, n - done);
            return;
        }
    }
}

// A fresh mapping of length bytes (a multiple of kHugePage) at a 2 MiB boundary, so that
// the kernel can back all of it with huge pages. nullptr when there is no memory.
unsigned char* mapRegion(std::size_t length) {
    const std::size_t over = length + kHugePage;
    void* p = mmap(nullptr, over, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = roundUp(start, kHugePage);
    if (aligned > start)
        munmap(p, aligned - start);
    if (const std::size_t tail = start + over - (aligned + length))
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    auto* region = reinterpret_cast<unsigned char*>(aligned);
    // Advice only: a kernel without transparent huge pages refuses MADV_HUGEPAGE, and the
    // region works on small pages then.
    madvise(region, length, g_hugePages ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    madvise(region, length, MADV_DONTDUMP);
    return region;
}

void* allocateRegion(std::size_t size) {
    if (size > SIZE_MAX - kRegionOffset - kHugePage)
        return nullptr;
    const std::size_t length = roundUp(size + kRegionOffset, kHugePage);
    unsigned char* region = nullptr;
    std::size_t mapped = length;
    {
        std::lock_guard lock(g_mutex);
        if (g_kept && g_keptLength >= length) {
            region = g_kept;
            mapped = g_keptLength;
            ++g_stats.regionsReused;
        } else if (g_kept) {
            // Too small: its pages go back before the larger region takes new ones.
            munmap(g_kept, g_keptLength);
            g_stats.mappedBytes -= g_keptLength;
        }
        if (g_kept) {
            g_kept = nullptr;
            g_keptLength = 0;
            g_stats.keptBytes = 0;
        }
    }
    if (!region) {
        region = mapRegion(length);
        if (!region)
            return nullptr;
        std::lock_guard lock(g_mutex);
        ++g_stats.regionsMapped;
        g_stats.mappedBytes += length;
    }
    unsigned char* block = region + kRegionOffset;
    *headerOf(block) = Header{size, mapped};
    return block;
}

void releaseRegion(void* block, const Header& header) {
    unsigned char* region = static_cast<unsigned char*>(block) - kRegionOffset;
    wipeRegion(static_cast<unsigned char*>(block), header.size);
    {
        std::lock_guard lock(g_mutex);
        if (g_keepRegion && !g_kept && header.mapped <= kKeepLimit) {
            // Wiped, and given to the kernel to take back whenever it needs the memory;
            // until then the next write finds the huge pages in place.
            madvise(region, header.mapped, MADV_FREE);
            g_kept = region;
            g_keptLength = header.mapped;
            g_stats.keptBytes = header.mapped;
            return;
        }
        g_stats.mappedBytes -= header.mapped;
    }
    munmap(region, header.mapped);
}

bool installOnce() {
    return CRYPTO_set_mem_functions(allocate, reallocate, release) == 1;
}

} // namespace

bool install() {
    static const bool installed = installOnce();
    return installed;
}

void* allocate(std::size_t size, const char*, int) {
    if (size >= kRegionThreshold)
        return allocateRegion(size);
    if (size > SIZE_MAX - sizeof(Header))
        return nullptr;
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (!header)
        return nullptr;
    *header = Header{size, 0};
    return header + 1;
}

void* reallocate(void* block, std::size_t size, const char* file, int line) {
    if (!block)
        return allocate(size, file, line);
    if (size == 0) {
        release(block, file, line);
        return nullptr;
    }
    // A copy and a wiped release rather than realloc, which would leave the old bytes
    // behind in freed memory.
    void* moved = allocate(size, file, line);
    if (!moved)
        return nullptr; // the old block stays valid, as with realloc
    std::memcpy(moved, block, std::min(size, headerOf(block)->size));
    release(block, file, line);
    return moved;
}

void release(void* block, const char*, int) {
    if (!block)
        return;
    Header* header = headerOf(block);
    const Header h = *header;
    if (h.mapped) {
        releaseRegion(block, h);
        return;
    }
    sodium_memzero(header, sizeof(Header) + h.size);
    std::free(header);
}

void releaseKeptRegion() {
    std::lock_guard lock(g_mutex);
    if (!g_kept)
        return;
    munmap(g_kept, g_keptLength);
    g_stats.mappedBytes -= g_keptLength;
    g_kept = nullptr;
    g_keptLength = 0;
    g_stats.keptBytes = 0;
}

void setHugePages(bool on) {
    if (g_hugePages.exchange(on) != on)
        releaseKeptRegion(); // mapped with the other advice
}

void setKeepRegion(bool on) {
    g_keepRegion = on;
    if (!on)
        releaseKeptRegion();
}

Stats stats() {
    std::lock_guard lock(g_mutex);
    return g_stats;
}

} // namespace Cipher::ScryptMemory
