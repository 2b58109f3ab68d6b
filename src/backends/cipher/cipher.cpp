// SPDX-License-Identifier: GPL-3.0-or-later
// Library state and the binary cipher entries: the key handed over by oi lives in
// sodium_malloc'd memory (guarded, kept out of swap, wiped on release).
#include "backends/cipher/cipher.h"
#include "backends/cipher/age_internal.h"
#include "backends/cipher/injection.h"
#include "backends/cipher/scryptmemory.h"
#include "backends/cipher/state.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Cipher {

namespace {

bool g_started = false;
unsigned char* g_key = nullptr; // nullptr: no key since alb or the last dalb
std::size_t g_keyLength = 0;
int g_workFactor = kWriteWorkFactor;

void forgetKey() {
    if (g_key) {
        sodium_memzero(g_key, g_keyLength);
        sodium_free(g_key);
    }
    g_key = nullptr;
    g_keyLength = 0;
}

bool validBuffers(const char* in, int inLength, const char* out, int outLength) {
    return inLength >= 0 && outLength >= 0 && (in || inLength == 0) && (out || outLength == 0);
}

} // namespace

bool State::started() {
    return g_started;
}

int alb() {
    // Before anything can make OpenSSL allocate: it takes an allocator only then.
    ScryptMemory::install();
    if (sodium_init() < 0)
        return 0;
    g_started = true;
    return 1;
}

void dalb() {
    forgetKey();
    ScryptMemory::releaseKeptRegion();
    g_started = false;
}

void oi(const char* key, int mode, int length) {
    Q_UNUSED(mode);
    Q_UNUSED(length);
    forgetKey();
    if (!g_started || !key)
        return;
    const std::size_t n = std::strlen(key);
    g_key = static_cast<unsigned char*>(sodium_malloc(n ? n : 1));
    if (!g_key)
        return;
    std::memcpy(g_key, key, n);
    g_keyLength = n;
}

int eb(const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::eb))
        return *injected;
    if (!g_started || !g_key || !validBuffers(in, inLength, out, outLength))
        return 0;
    const std::size_t size = Age::encryptedSize(std::size_t(inLength), g_workFactor);
    if (size > std::size_t(outLength))
        return kRefused; // checked before the key derivation, which is the slow part
    std::vector<unsigned char> file;
    if (const int r =
            Age::encryptFile(reinterpret_cast<const unsigned char*>(in), std::size_t(inLength),
                             g_key, g_keyLength, g_workFactor, file))
        return r;
    std::memcpy(out, file.data(), file.size());
    return int(file.size());
}

namespace {
// Hands a decryption's plain bytes to the caller's buffer, or refuses when they do not fit.
int copyPlain(const Age::SecretBytes& plain, char* out, int outLength) {
    if (plain.size() > std::size_t(outLength))
        return kRefused;
    if (!plain.empty())
        std::memcpy(out, plain.data(), plain.size());
    return int(plain.size());
}
} // namespace

int db(const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::db))
        return *injected;
    if (!g_started || !g_key || !validBuffers(in, inLength, out, outLength))
        return 0;
    Age::SecretBytes plain;
    if (const int r = Age::decryptFile(reinterpret_cast<const unsigned char*>(in),
                                       std::size_t(inLength), g_key, g_keyLength, plain))
        return r;
    return copyPlain(plain, out, outLength);
}

namespace {
constexpr std::size_t kWrapKeySize = 32;
}

WrapKey::WrapKey() {
    // Sets up the guarded allocator when nothing has started libsodium yet.
    if (sodium_init() < 0)
        throw std::bad_alloc();
    m_bytes = static_cast<unsigned char*>(sodium_malloc(kWrapKeySize));
    if (!m_bytes)
        throw std::bad_alloc();
    sodium_memzero(m_bytes, kWrapKeySize);
}

WrapKey::~WrapKey() {
    // sodium_free wipes before it frees.
    sodium_free(m_bytes);
}

quint64 scryptMemory(int log2N) {
    return log2N < 1 || log2N > 62 ? ~quint64(0) : quint64(128) * 8 * (quint64(1) << log2N);
}

int readScryptParameters(const char* in, int inLength, ScryptParameters& parameters) {
    parameters = ScryptParameters();
    if (!in || inLength < 0)
        return kDamaged;
    Age::Header header;
    if (const int r = Age::parseHeader(reinterpret_cast<const unsigned char*>(in),
                                       std::size_t(inLength), header))
        return r;
    Age::ScryptStanza stanza;
    if (const int r = Age::readScryptStanza(header, stanza))
        return r;
    parameters.salt = stanza.salt;
    parameters.log2N = stanza.logN;
    return 0;
}

void newSalt(std::array<unsigned char, kSaltSize>& salt) {
    randombytes_buf(salt.data(), salt.size());
}

int deriveWrapKey(const char* passphrase, int length,
                  const std::array<unsigned char, kSaltSize>& salt, int log2N, WrapKey& key) {
    if (length < 0 || (!passphrase && length > 0))
        return 0;
    return Age::deriveWrapKey(reinterpret_cast<const unsigned char*>(passphrase),
                              std::size_t(length), salt, log2N, key);
}

int ebWithWrapKey(const WrapKey& key, const std::array<unsigned char, kSaltSize>& salt, int log2N,
                  const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::eb))
        return *injected;
    if (!g_started || !validBuffers(in, inLength, out, outLength))
        return 0;
    if (Age::encryptedSize(std::size_t(inLength), log2N) > std::size_t(outLength))
        return kRefused;
    std::vector<unsigned char> file;
    if (const int r = Age::encryptFileWithWrapKey(reinterpret_cast<const unsigned char*>(in),
                                                  std::size_t(inLength), salt, log2N, key, file))
        return r;
    std::memcpy(out, file.data(), file.size());
    return int(file.size());
}

int dbWithWrapKey(const WrapKey& key, const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::db))
        return *injected;
    if (!g_started || !validBuffers(in, inLength, out, outLength))
        return 0;
    Age::SecretBytes plain;
    if (const int r = Age::decryptFileWithWrapKey(reinterpret_cast<const unsigned char*>(in),
                                                  std::size_t(inLength), key, plain))
        return r;
    return copyPlain(plain, out, outLength);
}

void setWorkFactor(int log2N) {
    g_workFactor = std::clamp(log2N, 1, kMaxWorkFactor);
}

int workFactor() {
    return g_workFactor;
}

} // namespace Cipher
