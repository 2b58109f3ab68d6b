// SPDX-License-Identifier: GPL-3.0-or-later
// age v1 with one scrypt stanza, from libsodium primitives and OpenSSL's scrypt. Every rule
// of the header grammar is checked before any key is derived, so a malformed file costs no
// scrypt run.
#include "backends/cipher/age_internal.h"
#include "backends/cipher/scryptmemory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string_view>

#include <openssl/err.h>
#include <openssl/evp.h>

namespace Cipher::Age {

namespace {

constexpr std::string_view kVersionLine = "age-encryption.org/v1";
constexpr std::string_view kStanzaPrefix = "-> ";
constexpr std::string_view kMacMark = "---";
constexpr std::string_view kScryptType = "scrypt";
constexpr std::string_view kScryptLabel = "age-encryption.org/v1/scrypt";
constexpr std::size_t kBodyLineLength = 64;
constexpr std::size_t kEncodedMacLength = 43;
constexpr std::size_t kEncryptedChunkSize = kChunkSize + kTagSize;
constexpr std::size_t kScryptBodySize = kFileKeySize + kTagSize;

std::atomic<long> g_scryptRuns = 0;
std::atomic<int> g_discount = 0;

// Unpadded, canonical base64 of the whole text, nothing skipped and nothing left over
// (b64_end stays NULL: with it, sodium_base642bin would stop quietly at a "=" or any other
// foreign character and report success).
bool decodeBase64(std::string_view text, std::vector<unsigned char>& out) {
    out.assign(text.size() * 3 / 4 + 1, 0);
    std::size_t length = 0;
    if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &length,
                          nullptr, sodium_base64_VARIANT_ORIGINAL_NO_PADDING) != 0)
        return false;
    out.resize(length);
    return true;
}

std::string encodeBase64(const unsigned char* data, std::size_t size) {
    const std::size_t capacity =
        sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL_NO_PADDING);
    std::string out(capacity, '\0');
    sodium_bin2base64(out.data(), capacity, data, size, sodium_base64_VARIANT_ORIGINAL_NO_PADDING);
    out.resize(capacity - 1); // the terminating NUL
    return out;
}

bool isVisible(unsigned char c) {
    return c >= 0x21 && c <= 0x7e;
}

// "-> " argument *(SP argument), every argument one or more visible ASCII characters.
bool parseArguments(std::string_view text, std::vector<std::string>& args) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = text.find(' ', start);
        const std::string_view arg = text.substr(
            start, space == std::string_view::npos ? std::string_view::npos : space - start);
        if (arg.empty())
            return false;
        for (unsigned char c : arg)
            if (!isVisible(c))
                return false;
        args.emplace_back(arg);
        if (space == std::string_view::npos)
            return true;
        start = space + 1;
    }
}

void hmacSha256(const unsigned char* key, std::size_t keyLength, const unsigned char* data,
                std::size_t size, const unsigned char* data2, std::size_t size2,
                unsigned char out[crypto_auth_hmacsha256_BYTES]) {
    crypto_auth_hmacsha256_state state;
    static const unsigned char noKey = 0;
    crypto_auth_hmacsha256_init(&state, keyLength ? key : &noKey, keyLength);
    crypto_auth_hmacsha256_update(&state, data, size);
    if (size2)
        crypto_auth_hmacsha256_update(&state, data2, size2);
    crypto_auth_hmacsha256_final(&state, out);
    sodium_memzero(&state, sizeof state);
}

// HKDF-SHA-256 (RFC 5869) with 32 bytes of output: one Expand block. An empty salt keys the
// Extract HMAC with nothing, which HMAC pads to the zero block the RFC asks for.
void hkdfSha256(const unsigned char* ikm, std::size_t ikmLength, const unsigned char* salt,
                std::size_t saltLength, std::string_view info, Wiped<32>& out) {
    Wiped<32> prk;
    hmacSha256(salt, saltLength, ikm, ikmLength, nullptr, 0, prk.data());
    const unsigned char counter = 1;
    hmacSha256(prk.data(), 32, reinterpret_cast<const unsigned char*>(info.data()), info.size(),
               &counter, 1, out.data());
}

void headerMac(const unsigned char* data, std::size_t size, const FileKey& fileKey,
               unsigned char out[kMacSize]) {
    Wiped<32> macKey;
    hkdfSha256(fileKey.data(), kFileKeySize, nullptr, 0, "header", macKey);
    hmacSha256(macKey.data(), 32, data, size, nullptr, 0, out);
}

// STREAM nonce: 11-byte big-endian chunk counter, then 1 for the final chunk.
void chunkNonce(std::size_t counter, bool last,
                unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES]) {
    std::memset(nonce, 0, crypto_aead_chacha20poly1305_ietf_NPUBBYTES);
    for (int i = 10; i >= 0 && counter; --i, counter >>= 8)
        nonce[i] = static_cast<unsigned char>(counter & 0xff);
    nonce[11] = last ? 1 : 0;
}

} // namespace

int parseHeader(const unsigned char* data, std::size_t size, Header& header) {
    header = Header();
    const std::string_view text(reinterpret_cast<const char*>(data), data ? size : 0);
    std::size_t pos = 0;
    std::size_t lineStart = 0;
    std::string_view line;
    const auto nextLine = [&]() {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            return false;
        lineStart = pos;
        line = text.substr(pos, end - pos);
        pos = end + 1;
        return true;
    };

    if (!nextLine() || line != kVersionLine)
        return kDamaged;
    if (!nextLine())
        return kDamaged;
    while (line.substr(0, kStanzaPrefix.size()) == kStanzaPrefix) {
        Stanza stanza;
        if (!parseArguments(line.substr(kStanzaPrefix.size()), stanza.args))
            return kDamaged;
        // The body runs up to and including the first line shorter than 64 columns, which
        // may be empty.
        std::string encoded;
        for (;;) {
            if (!nextLine() || line.size() > kBodyLineLength)
                return kDamaged;
            encoded.append(line);
            if (line.size() < kBodyLineLength)
                break;
        }
        if (!decodeBase64(encoded, stanza.body))
            return kDamaged;
        header.stanzas.push_back(std::move(stanza));
        if (!nextLine())
            return kDamaged;
    }
    if (header.stanzas.empty())
        return kDamaged;
    // "--- " and the 43-character MAC, nothing else on the line.
    if (line.size() != kMacMark.size() + 1 + kEncodedMacLength ||
        line.substr(0, kMacMark.size()) != kMacMark || line[kMacMark.size()] != ' ')
        return kDamaged;
    std::vector<unsigned char> mac;
    if (!decodeBase64(line.substr(kMacMark.size() + 1), mac) || mac.size() != kMacSize)
        return kDamaged;
    std::memcpy(header.mac.data(), mac.data(), kMacSize);
    header.macInputLength = lineStart + kMacMark.size();
    header.length = pos;
    if (size - header.length < kPayloadNonceSize)
        return kDamaged;
    return 0;
}

int readScryptStanza(const Header& header, ScryptStanza& stanza) {
    const Stanza* found = nullptr;
    for (const Stanza& s : header.stanzas)
        if (s.args[0] == kScryptType)
            found = &s;
    if (!found)
        return kWrongKey;
    // A file that opens with the passphrase must have been made by someone who knows it;
    // with another stanza beside it, the holder of that other key could have made it.
    if (header.stanzas.size() != 1 || found->args.size() != 3)
        return kDamaged;
    std::vector<unsigned char> salt;
    if (!decodeBase64(found->args[1], salt) || salt.size() != stanza.salt.size())
        return kDamaged;
    const std::string& factor = found->args[2];
    if (factor[0] < '1' || factor[0] > '9')
        return kDamaged;
    for (char c : factor)
        if (c < '0' || c > '9')
            return kDamaged;
    if (found->body.size() != kScryptBodySize)
        return kDamaged;
    std::memcpy(stanza.salt.data(), salt.data(), salt.size());
    std::memcpy(stanza.body.data(), found->body.data(), kScryptBodySize);
    // Any well-formed number, however long, is read; above two digits it counts as 99.
    stanza.logN = factor.size() > 2 ? 99 : std::stoi(factor);
    return 0;
}

int checkScryptStanza(const Header& header, ScryptStanza& stanza) {
    if (const int r = readScryptStanza(header, stanza))
        return r;
    return stanza.logN > kMaxWorkFactor ? kRefused : 0;
}

int deriveWrapKey(const unsigned char* passphrase, std::size_t passphraseLength,
                  const std::array<unsigned char, 16>& salt, int logN, WrapKey& wrapKey) {
    if (logN < 1 || logN > kMaxWorkFactor)
        return kRefused;
    unsigned char fullSalt[kScryptLabel.size() + 16];
    std::memcpy(fullSalt, kScryptLabel.data(), kScryptLabel.size());
    std::memcpy(fullSalt + kScryptLabel.size(), salt.data(), salt.size());
    ++g_scryptRuns;
    return scrypt(passphrase, passphraseLength, fullSalt, sizeof fullSalt,
                  std::uint64_t(1) << std::max(1, logN - g_discount.load()), 8, 1, wrapKey.data(),
                  32);
}

int scrypt(const unsigned char* passphrase, std::size_t passphraseLength, const unsigned char* salt,
           std::size_t saltLength, std::uint64_t n, std::uint32_t r, std::uint32_t p,
           unsigned char* out, std::size_t outLength) {
    static const unsigned char empty = 0;
    if (!passphraseLength)
        passphrase = &empty;
    if (!saltLength)
        salt = &empty;
    if (!ScryptMemory::install())
        return crypto_pwhash_scryptsalsa208sha256_ll(passphrase, passphraseLength, salt, saltLength,
                                                     n, r, p, out, outLength) == 0
                   ? 0
                   : kNoMemory;
    // OpenSSL refuses a region above maxmem (32 MiB unless told): the memory check before
    // the derivation is what limits it here.
    if (EVP_PBE_scrypt(reinterpret_cast<const char*>(passphrase), passphraseLength, salt,
                       saltLength, n, r, p, UINT64_MAX, out, outLength) == 1)
        return 0;
    ERR_clear_error(); // the failure's entries would stay in this thread's queue
    return kNoMemory;
}

int openStanza(const ScryptStanza& stanza, const WrapKey& wrapKey, FileKey& fileKey) {
    const unsigned char zeroNonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    unsigned long long length = 0;
    if (crypto_aead_chacha20poly1305_ietf_decrypt(fileKey.data(), &length, nullptr,
                                                  stanza.body.data(), stanza.body.size(), nullptr,
                                                  0, zeroNonce, wrapKey.data()) != 0 ||
        length != kFileKeySize)
        return kWrongKey;
    return 0;
}

int unwrapFileKey(const ScryptStanza& stanza, const unsigned char* passphrase,
                  std::size_t passphraseLength, FileKey& fileKey) {
    WrapKey wrapKey;
    if (const int r =
            deriveWrapKey(passphrase, passphraseLength, stanza.salt, stanza.logN, wrapKey))
        return r;
    return openStanza(stanza, wrapKey, fileKey);
}

bool headerMacMatches(const unsigned char* data, const Header& header, const FileKey& fileKey) {
    unsigned char mac[kMacSize];
    headerMac(data, header.macInputLength, fileKey, mac);
    return crypto_verify_32(mac, header.mac.data()) == 0;
}

int decryptPayload(const FileKey& fileKey, const unsigned char* payload, std::size_t size,
                   SecretBytes& plain) {
    SecretBytes().swap(plain);
    if (size < kPayloadNonceSize)
        return kDamaged;
    Wiped<32> key;
    hkdfSha256(fileKey.data(), kFileKeySize, payload, kPayloadNonceSize, "payload", key);
    const unsigned char* chunks = payload + kPayloadNonceSize;
    const std::size_t chunksSize = size - kPayloadNonceSize;
    if (chunksSize == 0)
        return kPayloadDamaged; // no final chunk at all
    const std::size_t count = (chunksSize + kEncryptedChunkSize - 1) / kEncryptedChunkSize;
    const std::size_t lastSize = chunksSize - (count - 1) * kEncryptedChunkSize;
    // The final chunk holds at least its tag, and is empty only when it is the only chunk.
    if (lastSize < kTagSize || (lastSize == kTagSize && count > 1))
        return kPayloadDamaged;

    SecretBytes out(chunksSize - count * kTagSize);
    for (std::size_t i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
        chunkNonce(i, last, nonce);
        const std::size_t inSize = last ? lastSize : kEncryptedChunkSize;
        unsigned long long outSize = 0;
        if (crypto_aead_chacha20poly1305_ietf_decrypt(out.data() + i * kChunkSize, &outSize,
                                                      nullptr, chunks + i * kEncryptedChunkSize,
                                                      inSize, nullptr, 0, nonce, key.data()) != 0)
            return kPayloadDamaged; // releasing out wipes what was decrypted so far
    }
    plain.swap(out);
    return 0;
}

int decryptWithFileKey(const unsigned char* data, std::size_t size, const Header& header,
                       const FileKey& fileKey, SecretBytes& plain) {
    SecretBytes().swap(plain);
    if (!headerMacMatches(data, header, fileKey))
        return kDamaged;
    return decryptPayload(fileKey, data + header.length, size - header.length, plain);
}

namespace {
// The one decryption path: the header and stanza checks come before anything is derived or
// opened, and unwrap (a passphrase's derivation, or a wrap key derived ahead) is all that
// differs between the callers.
template <typename Unwrap>
int decryptWith(const unsigned char* data, std::size_t size, SecretBytes& plain,
                const Unwrap& unwrap) {
    SecretBytes().swap(plain);
    Header header;
    ScryptStanza stanza;
    if (const int r = parseHeader(data, size, header))
        return r;
    if (const int r = checkScryptStanza(header, stanza))
        return r;
    FileKey fileKey;
    if (const int r = unwrap(stanza, fileKey))
        return r;
    return decryptWithFileKey(data, size, header, fileKey, plain);
}
} // namespace

int decryptFile(const unsigned char* data, std::size_t size, const unsigned char* passphrase,
                std::size_t passphraseLength, SecretBytes& plain) {
    return decryptWith(data, size, plain, [&](const ScryptStanza& stanza, FileKey& fileKey) {
        return unwrapFileKey(stanza, passphrase, passphraseLength, fileKey);
    });
}

int decryptFileWithWrapKey(const unsigned char* data, std::size_t size, const WrapKey& wrapKey,
                           SecretBytes& plain) {
    return decryptWith(data, size, plain, [&](const ScryptStanza& stanza, FileKey& fileKey) {
        return openStanza(stanza, wrapKey, fileKey);
    });
}

std::size_t encryptedSize(std::size_t plainSize, int logN) {
    const std::size_t chunks = plainSize == 0 ? 1 : (plainSize + kChunkSize - 1) / kChunkSize;
    const std::size_t header = kVersionLine.size() + 1                         // version
                               + kStanzaPrefix.size() + kScryptType.size() + 1 // "-> scrypt "
                               + 22 + 1 + std::to_string(logN).size() + 1      // salt, factor
                               + 43 + 1                                        // body
                               + kMacMark.size() + 1 + kEncodedMacLength + 1;  // MAC
    return header + kPayloadNonceSize + plainSize + chunks * kTagSize;
}

int encryptFile(const unsigned char* plain, std::size_t size, const unsigned char* passphrase,
                std::size_t passphraseLength, int logN, std::vector<unsigned char>& file) {
    file.clear();
    std::array<unsigned char, 16> salt;
    randombytes_buf(salt.data(), salt.size());
    WrapKey wrapKey;
    if (const int r = deriveWrapKey(passphrase, passphraseLength, salt, logN, wrapKey))
        return r;
    return encryptFileWithWrapKey(plain, size, salt, logN, wrapKey, file);
}

int encryptFileWithWrapKey(const unsigned char* plain, std::size_t size,
                           const std::array<unsigned char, 16>& salt, int logN,
                           const WrapKey& wrapKey, std::vector<unsigned char>& file) {
    file.clear();
    if (logN < 1 || logN > kMaxWorkFactor)
        return kRefused;
    FileKey fileKey;
    randombytes_buf(fileKey.data(), kFileKeySize);
    ScryptStanza stanza;
    stanza.salt = salt;
    stanza.logN = logN;
    // age wraps the file key under a fixed nonce: the wrap key must serve this file only.
    const unsigned char zeroNonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};
    crypto_aead_chacha20poly1305_ietf_encrypt(stanza.body.data(), nullptr, fileKey.data(),
                                              kFileKeySize, nullptr, 0, nullptr, zeroNonce,
                                              wrapKey.data());

    std::string header(kVersionLine);
    header += '\n';
    header += kStanzaPrefix;
    header += kScryptType;
    header += ' ' + encodeBase64(stanza.salt.data(), stanza.salt.size()) + ' ' +
              std::to_string(logN) + '\n';
    header += encodeBase64(stanza.body.data(), stanza.body.size()) + '\n'; // one short line
    header += kMacMark;
    unsigned char mac[kMacSize];
    headerMac(reinterpret_cast<const unsigned char*>(header.data()), header.size(), fileKey, mac);
    header += ' ' + encodeBase64(mac, kMacSize) + '\n';

    file.resize(encryptedSize(size, logN));
    std::memcpy(file.data(), header.data(), header.size());
    unsigned char* payload = file.data() + header.size();
    randombytes_buf(payload, kPayloadNonceSize);
    Wiped<32> key;
    hkdfSha256(fileKey.data(), kFileKeySize, payload, kPayloadNonceSize, "payload", key);
    unsigned char* out = payload + kPayloadNonceSize;
    const std::size_t chunks = size == 0 ? 1 : (size + kChunkSize - 1) / kChunkSize;
    for (std::size_t i = 0; i < chunks; ++i) {
        const bool last = i + 1 == chunks;
        const std::size_t inSize = last ? size - i * kChunkSize : kChunkSize;
        unsigned char nonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES];
        chunkNonce(i, last, nonce);
        crypto_aead_chacha20poly1305_ietf_encrypt(out + i * kEncryptedChunkSize, nullptr,
                                                  plain + i * kChunkSize, inSize, nullptr, 0,
                                                  nullptr, nonce, key.data());
    }
    return 0;
}

} // namespace Cipher::Age

namespace Cipher {

long scryptRuns() {
    return Age::g_scryptRuns;
}

void setDerivationDiscountForTests(int steps) {
    Age::g_discount = std::max(0, steps);
}

} // namespace Cipher
