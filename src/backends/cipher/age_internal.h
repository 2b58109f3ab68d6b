// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The age v1 format behind eb/db, in pieces that the tests and fuzz targets can call one by
// one: header grammar, the scrypt stanza, the header MAC and the STREAM payload. Not part of
// the cipher library's contract; the program itself uses only cipher.h.
#include "backends/cipher/cipher.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sodium.h>

namespace Cipher::Age {

constexpr std::size_t kFileKeySize = 16;
constexpr std::size_t kPayloadNonceSize = 16;
constexpr std::size_t kMacSize = 32;
constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::size_t kTagSize = crypto_aead_chacha20poly1305_ietf_ABYTES;

// Memory that is wiped when it is given back, so plaintext and keys left in a released
// vector (including the old storage of a vector that grew) do not linger on the heap.
template <typename T> struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <typename U> WipingAllocator(const WipingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        sodium_memzero(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U> bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};
using SecretBytes = std::vector<unsigned char, WipingAllocator<unsigned char>>;

// A fixed-size secret on the stack, wiped when it goes out of scope.
template <std::size_t N> struct Wiped {
    std::array<unsigned char, N> bytes{};
    Wiped() = default;
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    ~Wiped() { sodium_memzero(bytes.data(), N); }
    unsigned char* data() { return bytes.data(); }
    const unsigned char* data() const { return bytes.data(); }
};
using FileKey = Wiped<kFileKeySize>;

struct Stanza {
    std::vector<std::string> args; // args[0] is the stanza type
    std::vector<unsigned char> body;
};

struct Header {
    std::vector<Stanza> stanzas;
    std::size_t macInputLength = 0; // from the first byte through the "---" mark
    std::array<unsigned char, kMacSize> mac{};
    std::size_t length = 0; // through the line feed after the MAC; the payload nonce follows
};

struct ScryptStanza {
    std::array<unsigned char, 16> salt{};
    int logN = 0;
    std::array<unsigned char, 32> body{};
};

// Strict v1 header grammar, and a whole 16-byte payload nonce after it.
// 0, or kDamaged. Runs no key derivation.
int parseHeader(const unsigned char* data, std::size_t size, Header& header);

// The passphrase stanza: it must be the header's only stanza, with a canonical 16-byte salt,
// a canonical decimal work factor and a 32-byte body. 0; kWrongKey when the header has no
// scrypt stanza (nothing a passphrase can open); kDamaged; kRefused for a work factor above
// kMaxWorkFactor (checked last, so a malformed stanza is still reported as damaged).
int checkScryptStanza(const Header& header, ScryptStanza& stanza);

// checkScryptStanza without the ceiling: the work factor is filled in whatever its size
// (capped at 99), so that a caller can name what a refused file asked for.
int readScryptStanza(const Header& header, ScryptStanza& stanza);

// Raw scrypt (RFC 7914) of any parameters into out: OpenSSL's, with its large region on
// huge pages through ScryptMemory, or libsodium's where OpenSSL cannot take that allocator.
// Both give the same bytes. 0, or kNoMemory when scrypt cannot get its memory (or the
// parameters are beyond what the library takes).
int scrypt(const unsigned char* passphrase, std::size_t passphraseLength, const unsigned char* salt,
           std::size_t saltLength, std::uint64_t n, std::uint32_t r, std::uint32_t p,
           unsigned char* out, std::size_t outLength);

// One scrypt run. 0; kRefused for logN outside 1..kMaxWorkFactor; kNoMemory when scrypt
// cannot get its memory.
int deriveWrapKey(const unsigned char* passphrase, std::size_t passphraseLength,
                  const std::array<unsigned char, 16>& salt, int logN, WrapKey& wrapKey);

// Opens the stanza body with a derived wrap key. 0, or kWrongKey.
int openStanza(const ScryptStanza& stanza, const WrapKey& wrapKey, FileKey& fileKey);

// Derives the wrap key (one scrypt run) and opens the stanza body.
// 0; kWrongKey when the body does not open; kNoMemory when scrypt cannot get its memory.
int unwrapFileKey(const ScryptStanza& stanza, const unsigned char* passphrase,
                  std::size_t passphraseLength, FileKey& fileKey);

// Header MAC under the file key, compared in constant time.
bool headerMacMatches(const unsigned char* data, const Header& header, const FileKey& fileKey);

// payload = the 16-byte nonce and the STREAM chunks. 0 or kPayloadDamaged; plain is filled
// only when every chunk authenticated and the last one is a valid final chunk.
int decryptPayload(const FileKey& fileKey, const unsigned char* payload, std::size_t size,
                   SecretBytes& plain);

// MAC, then payload, of a parsed file whose file key is known (kDamaged when the MAC fails).
int decryptWithFileKey(const unsigned char* data, std::size_t size, const Header& header,
                       const FileKey& fileKey, SecretBytes& plain);

// The whole decryption: 0 or one of the db failure codes (kRefused only for the work factor).
int decryptFile(const unsigned char* data, std::size_t size, const unsigned char* passphrase,
                std::size_t passphraseLength, SecretBytes& plain);
// The same with the wrap key derived already: every check of decryptFile, no scrypt run.
int decryptFileWithWrapKey(const unsigned char* data, std::size_t size, const WrapKey& wrapKey,
                           SecretBytes& plain);

// Size of the file encryptFile writes for a plaintext of plainSize bytes.
std::size_t encryptedSize(std::size_t plainSize, int logN);

// Writes an age file with one scrypt stanza at work factor logN (1..kMaxWorkFactor) under a
// fresh salt. 0; kRefused when logN is out of range; kNoMemory when scrypt cannot get its
// memory.
int encryptFile(const unsigned char* plain, std::size_t size, const unsigned char* passphrase,
                std::size_t passphraseLength, int logN, std::vector<unsigned char>& file);
// The same with the wrap key derived for (salt, logN) already; no scrypt run.
int encryptFileWithWrapKey(const unsigned char* plain, std::size_t size,
                           const std::array<unsigned char, 16>& salt, int logN,
                           const WrapKey& wrapKey, std::vector<unsigned char>& file);

// How many times scrypt has run in this process, on any thread.
inline long scryptRuns() {
    return Cipher::scryptRuns();
}

} // namespace Cipher::Age
