#pragma once
// The cipher library. Binary cipher text is a standard age v1 file with one scrypt
// stanza; armour is base64 between Begin/End lines with a transport checksum.
// Buffers are raw bytes; results are counts (> 0) or failure codes (<= 0). Nothing is
// written beyond the output length given, and nothing at all when a call fails.
//
// Because the cipher text is plain age, a keyfile can always be opened with the standard
// `age -d` tool and the extended reduced master key as passphrase.
#include <QtGlobal>

namespace Cipher {

constexpr int kBufferSize = 153600; // every output buffer of the program
constexpr int kRandomTextBufferSize = 1024;
constexpr int kWriteWorkFactor = 18; // log2(N) for files the program writes
constexpr int kMaxWorkFactor = 22;   // files asking for more are refused

// db result codes
constexpr int kDamaged = -6;        // not an age file, malformed header, header MAC fails
constexpr int kPayloadDamaged = -7; // payload damaged or truncated
constexpr int kWrongKey = -8;       // the scrypt stanza does not unwrap, or there is none
constexpr int kRefused = -9;        // work factor above the limit, output too small, or no
                                    // memory for the key derivation

// dcob result codes
constexpr int kArmourIncomplete = -1; // Begin, or End after it, missing
constexpr int kArmourChecksum = -2;   // checksum missing, malformed or not matching
constexpr int kArmourBadBase64 = -3;  // the text between the markers is not strict base64
constexpr int kArmourDoesNotFit = -4; // the cipher bytes do not fit the output buffer

// Starts the library (libsodium): 0 when it cannot be used.
int alb();
// Wipes the key and releases the library.
void dalb();
// Keeps the key (the 64-character extended reduced key as Windows-1252 bytes, zero-terminated;
// its bytes are the age passphrase) for the next eb/db. mode and length are accepted for the
// call contract and not needed.
void oi(const char* key, int mode, int length);

// Encrypts into an age file at workFactor(). > 0 bytes written; kRefused when the output does
// not fit (checked before the key derivation); 0 without alb, without a key or for invalid
// arguments.
int eb(const char* in, int inLength, char* out, int outLength);
// Decrypts an age file. >= 0 plain bytes written (0 only for a file with an empty payload,
// which eb never writes for the program); kDamaged, kPayloadDamaged, kWrongKey, kRefused;
// 0 without alb, without a key or for invalid arguments. Every header check, including the
// work factor limit, comes before the key derivation; nothing is released unless the whole
// file authenticates.
int db(const char* in, int inLength, char* out, int outLength);

// Armour, lines joined by CR LF, no line break after the last:
//   TessamailMessageBegin
//   standard base64 with "=" padding of the cipher bytes, 64 characters a line
//   "=" and the base64 (8 characters) of the first 6 bytes of the 32-byte BLAKE2b digest
//   (crypto_generichash) of the cipher bytes
//   TessamailMessageEnd
// > 0 characters written; -1 for empty input or when the output does not fit.
int cob(const char* in, int inLength, char* out, int outLength);
// De-armour: finds the Begin marker anywhere and the End marker after it, ignores everything
// outside them and every CR and LF between them (so re-wrapped, joined or glued lines do no
// harm), and takes the "=" and 8 characters right before End as the checksum.
// > 0 bytes; 0 nothing between the markers; kArmourIncomplete, kArmourChecksum,
// kArmourBadBase64, kArmourDoesNotFit.
int dcob(const char* in, int inLength, char* out, int outLength);

// Word-like random text (fewer than 1,024 characters, no line breaks, none of them armour
// characters: Windows-1252 accented letters, spaces and punctuation) from a generator seeded
// with seed (1..32,000); the same seed always gives the same text. Writes a terminating NUL.
int mt(int seed, char* out);

// 0 when code may occur in armoured text (A-Z a-z 0-9 + / =); -1 otherwise; -2 when alb
// has not run (or dalb has).
int cci(int code);

// Tests only: the scrypt work factor eb writes (default kWriteWorkFactor), kept within
// 1..kMaxWorkFactor.
void setWorkFactor(int log2N);
int workFactor();

// Tests only: every later call of entry fails as told, until injectFailure(entry, {}) or
// clearInjectedFailures(). Result makes the entry return that value at once; OutOfMemory
// and RunTimeFailure make it throw std::bad_alloc or std::runtime_error, as a failing
// allocation or library would. Only a call in the program's own code switches it on.
enum class Entry { eb, db, cob, dcob, cci };
struct InjectedFailure {
    enum Kind { None, Result, OutOfMemory, RunTimeFailure };
    Kind kind = None;
    int result = 0; // what the entry returns, for Result
};
void injectFailure(Entry entry, InjectedFailure failure);
void clearInjectedFailures();

} // namespace Cipher
