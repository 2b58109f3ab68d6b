// SPDX-License-Identifier: GPL-3.0-or-later
// Armour: standard base64 between two marker lines, with a transport checksum, plus the
// character test and the filler text that must never be mistaken for armour.
#include "backends/cipher/cipher.h"
#include "backends/cipher/injection.h"
#include "backends/cipher/state.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <sodium.h>

namespace Cipher {

namespace {

constexpr std::string_view kBegin = "TessamailMessageBegin";
constexpr std::string_view kEnd = "TessamailMessageEnd";
constexpr std::string_view kLineBreak = "\r\n";
constexpr int kLineLength = 64;
constexpr std::size_t kChecksumSize = 6;   // bytes of the BLAKE2b digest that are sent
constexpr std::size_t kChecksumLength = 8; // their base64

// The first 6 bytes of the 32-byte BLAKE2b digest (not a 6-byte BLAKE2b, whose parameter
// block differs and so gives other bytes).
void checksum(const unsigned char* data, std::size_t size, unsigned char out[kChecksumSize]) {
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, data, size, nullptr, 0);
    std::memcpy(out, digest, kChecksumSize);
}

std::string base64(const unsigned char* data, std::size_t size, int variant) {
    const std::size_t capacity = sodium_base64_ENCODED_LEN(size, variant);
    std::string out(capacity, '\0');
    sodium_bin2base64(out.data(), capacity, data, size, variant);
    out.resize(capacity - 1); // the terminating NUL
    return out;
}

} // namespace

int cob(const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::cob))
        return *injected;
    if (!in || inLength <= 0 || !out || outLength <= 0)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    const std::string body = base64(bytes, std::size_t(inLength), sodium_base64_VARIANT_ORIGINAL);
    unsigned char sum[kChecksumSize];
    checksum(bytes, std::size_t(inLength), sum);
    const std::string sumText = base64(sum, kChecksumSize, sodium_base64_VARIANT_ORIGINAL);

    const std::size_t lines = (body.size() + kLineLength - 1) / kLineLength;
    const std::size_t total = kBegin.size() + kLineBreak.size() + body.size() +
                              lines * kLineBreak.size() + 1 + sumText.size() + kLineBreak.size() +
                              kEnd.size();
    if (total > std::size_t(outLength))
        return -1;
    std::string text;
    text.reserve(total);
    text.append(kBegin).append(kLineBreak);
    for (std::size_t i = 0; i < body.size(); i += kLineLength)
        text.append(body, i, kLineLength).append(kLineBreak);
    text.append("=").append(sumText).append(kLineBreak).append(kEnd);
    std::memcpy(out, text.data(), text.size());
    return int(text.size());
}

int dcob(const char* in, int inLength, char* out, int outLength) {
    if (const auto injected = Injection::check(Entry::dcob))
        return *injected;
    const std::string_view text(in, in && inLength > 0 ? std::size_t(inLength) : 0);
    const std::size_t begin = text.find(kBegin);
    if (begin == std::string_view::npos)
        return kArmourIncomplete;
    const std::size_t end = text.find(kEnd, begin + kBegin.size());
    if (end == std::string_view::npos)
        return kArmourIncomplete;
    // Line breaks of any kind and at any width are what mail programs change; drop them all.
    std::string joined;
    joined.reserve(end - begin);
    for (char c : text.substr(begin + kBegin.size(), end - begin - kBegin.size()))
        if (c != '\r' && c != '\n')
            joined += c;
    if (joined.empty())
        return 0;

    // The checksum is the "=" and 8 characters right before the End marker.
    const std::size_t sumStart = joined.size() - std::min(joined.size(), kChecksumLength + 1);
    if (joined.size() < kChecksumLength + 1 || joined[sumStart] != '=')
        return kArmourChecksum;
    unsigned char sentSum[kChecksumSize];
    std::size_t sumSize = 0;
    if (sodium_base642bin(sentSum, sizeof sentSum, joined.data() + sumStart + 1, kChecksumLength,
                          nullptr, &sumSize, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        sumSize != kChecksumSize)
        return kArmourChecksum;
    const std::string_view data(joined.data(), sumStart);
    if (data.empty())
        return 0;

    if (data.size() % 4 != 0)
        return kArmourBadBase64;
    std::size_t padding = 0;
    if (data.back() == '=')
        padding = data[data.size() - 2] == '=' ? 2 : 1;
    const std::size_t size = data.size() / 4 * 3 - padding;
    if (!out || outLength < 0 || size > std::size_t(outLength))
        return kArmourDoesNotFit;
    std::vector<unsigned char> bytes(size);
    std::size_t decoded = 0;
    // Strict: no characters skipped, padding required, and b64_end left NULL so that decoding
    // must reach the end of the text.
    if (sodium_base642bin(bytes.data(), bytes.size(), data.data(), data.size(), nullptr, &decoded,
                          nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        decoded != size)
        return kArmourBadBase64;
    unsigned char sum[kChecksumSize];
    checksum(bytes.data(), size, sum);
    if (sodium_memcmp(sum, sentSum, kChecksumSize) != 0)
        return kArmourChecksum;
    std::memcpy(out, bytes.data(), size);
    return int(size);
}

int cci(int code) {
    if (const auto injected = Injection::check(Entry::cci))
        return *injected;
    if (!State::started())
        return -2;
    const bool armour = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
                        (code >= '0' && code <= '9') || code == '+' || code == '/' || code == '=';
    return armour ? 0 : -1;
}

int mt(int seed, char* out) {
    if (!out)
        return 0;
    // Windows-1252 accented letters (À..Þ without ×, ß..ÿ without ÷): they look like words
    // to a reader and none of them is an armour character.
    static const std::vector<unsigned char> upper = [] {
        std::vector<unsigned char> v;
        for (int c = 0xc0; c <= 0xde; ++c)
            if (c != 0xd7)
                v.push_back(static_cast<unsigned char>(c));
        return v;
    }();
    static const std::vector<unsigned char> lower = [] {
        std::vector<unsigned char> v;
        for (int c = 0xdf; c <= 0xff; ++c)
            if (c != 0xf7)
                v.push_back(static_cast<unsigned char>(c));
        return v;
    }();
    static constexpr std::string_view sentenceEnds = ".!?;";
    static constexpr std::string_view wordEnds = ",:-'";

    // The raw generator output is the same on every platform (the distributions of <random>
    // are not), so a seed always gives the same text.
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seed));
    const auto below = [&](std::size_t n) { return std::size_t(generator() % n); };
    const std::size_t target = 20 + below(kRandomTextBufferSize - 40);

    std::string text;
    bool sentenceStart = true;
    while (text.size() < target) {
        std::string word;
        const std::size_t letters = 1 + below(9);
        for (std::size_t i = 0; i < letters; ++i)
            word += char(i == 0 && sentenceStart ? upper[below(upper.size())]
                                                 : lower[below(lower.size())]);
        sentenceStart = false;
        const std::size_t mark = below(12);
        if (mark == 0) {
            word += sentenceEnds[below(sentenceEnds.size())];
            sentenceStart = true;
        } else if (mark == 1) {
            word += wordEnds[below(wordEnds.size())];
        } else if (mark == 2) {
            word = '(' + word + ')';
        } else if (mark == 3) {
            word = '"' + word + '"';
        }
        if (!text.empty()) {
            if (text.size() + 1 + word.size() >= kRandomTextBufferSize)
                break;
            text += ' ';
        }
        text += word;
    }
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return int(text.size());
}

} // namespace Cipher
