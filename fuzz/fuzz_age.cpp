// SPDX-License-Identifier: GPL-3.0-or-later
// Binary cipher text as it arrives: an age file, read by db under a fixed passphrase, and
// its header MAC and STREAM payload read directly under a fixed file key.
//
// scrypt makes each db run cost what its work factor says, so db runs only where it needs
// no scrypt at all (the header is refused first) or at a work factor of at most 12; above
// that, the header is only parsed.
//
// Invariants:
// - db gives the same verdict as the header checks where those decide, and runs scrypt
//   only when they pass;
// - db never returns plain bytes for a file that does not authenticate: whenever it returns
//   0 or more, the stanza unwraps under the passphrase, the header MAC verifies with that
//   file key and the payload decrypts to exactly the bytes returned;
// - db writes nothing when it fails and nothing beyond what it returns;
// - under a file key, a failing MAC is reported as damage before the payload is looked at,
//   and the payload gives all its bytes or none.
#include "check.h"

#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

using namespace Cipher;

namespace {

// The passphrase and file key of the community age test vectors, so that those decrypt.
constexpr char kPassphrase[] = "password";
constexpr unsigned char kFileKey[Age::kFileKeySize] = {'Y', 'E', 'L', 'L', 'O', 'W', ' ', 'S',
                                                       'U', 'B', 'M', 'A', 'R', 'I', 'N', 'E'};
constexpr int kMaxFuzzedWorkFactor = 12;
constexpr unsigned char kUntouched = 0xa5;

std::size_t plainSizeOf(std::size_t payloadSize) {
    const std::size_t chunks = payloadSize - Age::kPayloadNonceSize;
    const std::size_t full = Age::kChunkSize + Age::kTagSize;
    return chunks - (chunks + full - 1) / full * Age::kTagSize;
}

void checkWithFileKey(const unsigned char* data, std::size_t size, const Age::Header& header) {
    Age::FileKey fileKey;
    std::memcpy(fileKey.data(), kFileKey, sizeof kFileKey);
    const bool macMatches = Age::headerMacMatches(data, header, fileKey);
    Age::SecretBytes plain;
    const int r = Age::decryptWithFileKey(data, size, header, fileKey, plain);
    FUZZ_CHECK(r == 0 || r == kDamaged || r == kPayloadDamaged);
    FUZZ_CHECK((r == kDamaged) == !macMatches);
    FUZZ_CHECK(r == 0 || plain.empty());
    if (r == 0)
        FUZZ_CHECK(plain.size() == plainSizeOf(size - header.length));

    // The STREAM code on its own, whatever the MAC said.
    Age::SecretBytes payloadPlain;
    const int p =
        Age::decryptPayload(fileKey, data + header.length, size - header.length, payloadPlain);
    FUZZ_CHECK(p == 0 || p == kPayloadDamaged);
    FUZZ_CHECK(p == 0 || payloadPlain.empty());
    if (r != kDamaged)
        FUZZ_CHECK(p == r && payloadPlain == plain);
}

// db must have released exactly what the file authenticates to under the passphrase, or,
// when it refused for lack of room, have had a reason to.
void checkAuthenticated(const unsigned char* data, std::size_t size, const Age::Header& header,
                        const Age::ScryptStanza& stanza, const char* out, int outLength, int r) {
    Age::FileKey fileKey;
    FUZZ_CHECK(Age::unwrapFileKey(stanza, reinterpret_cast<const unsigned char*>(kPassphrase),
                                  sizeof kPassphrase - 1, fileKey) == 0);
    FUZZ_CHECK(Age::headerMacMatches(data, header, fileKey));
    Age::SecretBytes plain;
    FUZZ_CHECK(Age::decryptPayload(fileKey, data + header.length, size - header.length, plain) ==
               0);
    if (r == kRefused) {
        FUZZ_CHECK(plain.size() > std::size_t(outLength));
        return;
    }
    FUZZ_CHECK(plain.size() == std::size_t(r));
    FUZZ_CHECK(r == 0 || std::memcmp(plain.data(), out, std::size_t(r)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!alb())
        std::abort();
    oi(kPassphrase, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > std::size_t(kBufferSize))
        return 0; // never more than a buffer reaches db

    // What the header checks alone decide; 1 while they leave it to the key.
    int verdict = 1;
    Age::Header header;
    Age::ScryptStanza stanza;
    const int parsed = Age::parseHeader(data, size, header);
    if (parsed != 0) {
        FUZZ_CHECK(parsed == kDamaged);
        verdict = kDamaged;
    } else {
        FUZZ_CHECK(header.macInputLength >= 3 && header.macInputLength < header.length);
        FUZZ_CHECK(header.length <= size && size - header.length >= Age::kPayloadNonceSize);
        FUZZ_CHECK(std::memcmp(data + header.macInputLength - 3, "---", 3) == 0);
        FUZZ_CHECK(data[header.length - 1] == '\n');
        checkWithFileKey(data, size, header);

        const int checked = Age::checkScryptStanza(header, stanza);
        FUZZ_CHECK(checked == 0 || checked == kDamaged || checked == kWrongKey ||
                   checked == kRefused);
        if (checked != 0)
            verdict = checked;
        else if (stanza.logN > kMaxFuzzedWorkFactor)
            return 0;
        else
            FUZZ_CHECK(stanza.logN >= 1);
    }

    // Vary the room db gets, so that "does not fit" is reached too.
    const int outLength = size % 3 == 0 ? int(size / 8) : kBufferSize;
    const std::unique_ptr<char[]> out(new char[std::size_t(outLength) + 1]);
    std::memset(out.get(), kUntouched, std::size_t(outLength) + 1);
    const long runsBefore = Age::scryptRuns();
    const int r = db(reinterpret_cast<const char*>(data), int(size), out.get(), outLength);
    const long runs = Age::scryptRuns() - runsBefore;

    if (verdict != 1) {
        FUZZ_CHECK(r == verdict);
        FUZZ_CHECK(runs == 0);
    } else {
        FUZZ_CHECK(runs == 1);
        FUZZ_CHECK(r >= 0 || r == kDamaged || r == kPayloadDamaged || r == kWrongKey ||
                   r == kRefused);
        FUZZ_CHECK(r <= outLength);
        if (r >= 0 || r == kRefused)
            checkAuthenticated(data, size, header, stanza, out.get(), outLength, r);
    }
    static const std::vector<char> pattern(std::size_t(kBufferSize) + 1, char(kUntouched));
    const int from = r > 0 ? r : 0;
    FUZZ_CHECK(std::memcmp(out.get() + from, pattern.data(), std::size_t(outLength + 1 - from)) ==
               0);
    return 0;
}
