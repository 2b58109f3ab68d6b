#pragma once
// The cipher library. Binary cipher text is a standard age v1 file with one scrypt
// stanza; armour is base64 between Begin/End lines with a transport checksum.
// Buffers are raw bytes; results are counts (> 0) or failure codes (<= 0).
#include <QtGlobal>

namespace Cipher {

constexpr int kBufferSize = 153600; // every output buffer of the program
constexpr int kRandomTextBufferSize = 1024;
constexpr int kWriteWorkFactor = 18; // log2(N) for files the program writes
constexpr int kMaxWorkFactor = 22;   // files asking for more are refused

// db result codes
constexpr int kDamaged = -6;        // not an age file, malformed header, header MAC fails
constexpr int kPayloadDamaged = -7; // payload damaged or truncated
constexpr int kWrongKey = -8;       // the scrypt stanza does not unwrap
constexpr int kRefused = -9;        // work factor above the limit, or output too small

// Starts the library: 0 when it cannot be used.
int alb();
// Wipes the key and releases the library.
void dalb();
// Keeps the key (the 64-character extended reduced key as Windows-1252 bytes) for the next
// eb/db. mode and length are accepted for the call contract and not needed.
void oi(const char* key, int mode, int length);

int eb(const char* in, int inLength, char* out, int outLength);
int db(const char* in, int inLength, char* out, int outLength);

// Armour: > 0 characters written; -1 failure.
int cob(const char* in, int inLength, char* out, int outLength);
// De-armour: > 0 bytes; -1 Begin or End missing; -2 checksum missing or wrong;
// 0 nothing between the markers; below -2 bad base64 or output too small.
int dcob(const char* in, int inLength, char* out, int outLength);

// Word-like random text (fewer than 1,024 characters, no line breaks, none of them armour
// characters) from a generator seeded with seed (1..32,000).
int mt(int seed, char* out);

// >= 0 when code may occur in armoured text; -1 otherwise; -2 when alb has not run.
int cci(int code);

// Tests only: the scrypt work factor eb writes (default kWriteWorkFactor).
void setWorkFactor(int log2N);
int workFactor();

} // namespace Cipher
