// SPDX-License-Identifier: GPL-3.0-or-later
// scrypt at the written work factor (N = 2^18, r = 8, p = 1) in every implementation that
// Debian 12 packages, beside the program's own: which one to derive with, and what huge
// pages and the kept region are worth. Each row checks its key against libsodium's, so a
// candidate that computes something else fails instead of winning.
#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"
#include "backends/cipher/scryptmemory.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>

#include <sodium.h>

// Plain C headers without extern "C" of their own.
extern "C" {
#ifdef TESSAMAIL_BENCH_LIBSCRYPT_KDF
#include <scrypt-kdf.h>
#endif
#ifdef TESSAMAIL_BENCH_LIBSCRYPT
#include <libscrypt.h>
#endif
}
#ifdef TESSAMAIL_BENCH_GCRYPT
#include <gcrypt.h>
#endif
#ifdef TESSAMAIL_BENCH_BOTAN
#include <botan/scrypt.h>
#endif
#ifdef TESSAMAIL_BENCH_CRYPTOPP
#include <crypto++/scrypt.h>
#endif

namespace Bench {

namespace {

constexpr std::uint64_t kN = std::uint64_t(1) << Cipher::kWriteWorkFactor;
const std::string kPassphrase(64, 'K');
const std::array<unsigned char, 44> kSalt = [] {
    std::array<unsigned char, 44> s{};
    std::memcpy(s.data(), "age-encryption.org/v1/scrypt", 28);
    for (int i = 28; i < 44; ++i)
        s[std::size_t(i)] = static_cast<unsigned char>(i * 7);
    return s;
}();

using Key = std::array<unsigned char, 32>;
using Derive = bool (*)(Key&);

const auto* pass() {
    return reinterpret_cast<const unsigned char*>(kPassphrase.data());
}

bool sodium(Key& key) {
    return crypto_pwhash_scryptsalsa208sha256_ll(pass(), kPassphrase.size(), kSalt.data(),
                                                 kSalt.size(), kN, 8, 1, key.data(),
                                                 key.size()) == 0;
}

bool ours(Key& key) {
    return Cipher::Age::scrypt(pass(), kPassphrase.size(), kSalt.data(), kSalt.size(), kN, 8, 1,
                               key.data(), key.size()) == 0;
}

#ifdef TESSAMAIL_BENCH_LIBSCRYPT_KDF
bool scryptKdf(Key& key) {
    return scrypt_kdf(pass(), kPassphrase.size(), kSalt.data(), kSalt.size(), kN, 8, 1, key.data(),
                      key.size()) == 0;
}
#endif
#ifdef TESSAMAIL_BENCH_LIBSCRYPT
bool libscrypt(Key& key) {
    return libscrypt_scrypt(pass(), kPassphrase.size(), kSalt.data(), kSalt.size(), kN, 8, 1,
                            key.data(), key.size()) == 0;
}
#endif
#ifdef TESSAMAIL_BENCH_GCRYPT
bool gcrypt(Key& key) {
    static const bool started = [] {
        if (!gcry_check_version(nullptr))
            return false;
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    if (!started)
        return false;
    // libgcrypt's scrypt takes N as the sub-algorithm and p as the iteration count; r is 8.
    return gcry_kdf_derive(kPassphrase.data(), kPassphrase.size(), GCRY_KDF_SCRYPT, int(kN),
                           kSalt.data(), kSalt.size(), 1, key.size(), key.data()) == 0;
}
#endif
#ifdef TESSAMAIL_BENCH_BOTAN
bool botan(Key& key) {
    Botan::scrypt(key.data(), key.size(), kPassphrase.data(), kPassphrase.size(), kSalt.data(),
                  kSalt.size(), kN, 8, 1);
    return true;
}
#endif
#ifdef TESSAMAIL_BENCH_CRYPTOPP
bool cryptopp(Key& key) {
    CryptoPP::Scrypt kdf;
    kdf.DeriveKey(key.data(), key.size(), pass(), kPassphrase.size(), kSalt.data(), kSalt.size(),
                  kN, 8, 1);
    return true;
}
#endif

const Key& expected() {
    static const Key key = [] {
        Key k{};
        sodium(k);
        return k;
    }();
    return key;
}

// hugePages / keep: how the program's own allocator runs for this row (restored after).
void derive(benchmark::State& state, Derive fn, bool hugePages = true, bool keep = true) {
    namespace Memory = Cipher::ScryptMemory;
    Memory::setHugePages(hugePages);
    Memory::setKeepRegion(keep);
    const Cipher::ScryptMemory::Stats before = Memory::stats();
    for (auto _ : state) {
        Key key{};
        if (!fn(key) || key != expected()) {
            state.SkipWithError("the key differs from libsodium's");
            break;
        }
        benchmark::DoNotOptimize(key.data());
    }
    const Cipher::ScryptMemory::Stats after = Memory::stats();
    state.counters["regions_mapped"] = double(after.regionsMapped - before.regionsMapped);
    state.counters["regions_reused"] = double(after.regionsReused - before.regionsReused);
    Memory::setHugePages(true);
    Memory::setKeepRegion(true);
}

#define SCRYPT_ROW(name, ...)                                                                      \
    BENCHMARK_CAPTURE(derive, name, __VA_ARGS__)                                                   \
        ->Name("scrypt_wf18/" #name)                                                               \
        ->Iterations(1)                                                                            \
        ->Unit(benchmark::kMillisecond)

} // namespace

SCRYPT_ROW(ours, ours);
SCRYPT_ROW(ours_fresh_region, ours, true, false);
SCRYPT_ROW(ours_small_pages, ours, false, false);
SCRYPT_ROW(libsodium, sodium);
#ifdef TESSAMAIL_BENCH_LIBSCRYPT_KDF
SCRYPT_ROW(libscrypt_kdf, scryptKdf);
#endif
#ifdef TESSAMAIL_BENCH_LIBSCRYPT
SCRYPT_ROW(libscrypt, libscrypt);
#endif
#ifdef TESSAMAIL_BENCH_GCRYPT
SCRYPT_ROW(libgcrypt, gcrypt);
#endif
#ifdef TESSAMAIL_BENCH_BOTAN
SCRYPT_ROW(botan, botan);
#endif
#ifdef TESSAMAIL_BENCH_CRYPTOPP
SCRYPT_ROW(cryptopp, cryptopp);
#endif

} // namespace Bench
