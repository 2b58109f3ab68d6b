// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scrypt wrap-key derivation as a unit of its own: one derivation for (passphrase bytes,
// salt, work factor) runs on a worker thread while the GUI thread stays free. Everything
// after it (wrapping or unwrapping the file key, the payload) takes the finished wrap key
// (Cipher::ebWithWrapKey, Cipher::dbWithWrapKey).
//
// A derivation owns copies of its inputs and its result, so one that nobody waits for any
// more (cancelled, window closed) runs to its end harmlessly; the passphrase copy and the
// wrap key are wiped when the last holder lets go.
//
// Every derivation of the program (the ready key, the clicks, the keyfile, the self-test)
// passes one gate: they run one after the other on a single worker, so the memory of two
// scrypt regions is never held at once. One that nobody holds any more before its turn is
// skipped; one already under way when its holder cancelled runs to its end first.
#include "backends/cipher/cipher.h"

#include <QByteArray>
#include <QFuture>

#include <atomic>
#include <memory>

namespace KeyDerivation {

// Room kept beside what scrypt itself needs: the buffers of the message path, the worker's
// stack, and what the allocator rounds up.
constexpr qint64 kMemoryMargin = qint64(16) << 20;

// What a derivation at work factor log2N needs, against what the system has.
struct Memory {
    qint64 needed = 0;
    qint64 available = -1; // -1: unknown, taken as enough
    bool enough() const { return available < 0 || needed <= available; }
};
Memory checkMemory(int log2N);

class Job {
public:
    Job(const QByteArray& passphrase, const std::array<unsigned char, Cipher::kSaltSize>& salt,
        int log2N);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    const std::array<unsigned char, Cipher::kSaltSize> salt;
    const int log2N;

    // Finishes when the derivation is over.
    QFuture<void> future() const { return m_future; }
    bool isFinished() const { return m_future.isFinished(); }
    // Once finished: 0 with key() set; Cipher::kNoMemory or Cipher::kRefused.
    int result() const { return m_result; }
    const Cipher::WrapKey& key() const { return m_key; }

    // Its waiter gave up (Cancel): a derivation after it says that it waits for this one.
    void abandon();

private:
    friend std::shared_ptr<Job> start(const QByteArray&,
                                      const std::array<unsigned char, Cipher::kSaltSize>&, int);
    void run();
    void markDone();
    std::atomic<int> m_state = 0; // kDone | kAbandoned

    QByteArray m_passphrase;
    Cipher::WrapKey m_key;
    int m_result = Cipher::kNoMemory;
    QFuture<void> m_future;
};

// Wipes the stack area below the caller's frame, where the frames of the functions it
// called before lay: after a derivation (on the worker) and after the cipher used the wrap
// key (on the GUI thread), no copy of a key stays on an unlocked stack.
constexpr std::size_t kScrubbedStack = 128 * 1024;
void scrubStack();

// True while a derivation whose waiter cancelled is still under way (or waiting for its
// turn): a new one waits for it.
bool finishingAbandoned();

// Starts a derivation on the derivation worker. Check the memory first (checkMemory): it
// counts the memory of the derivation under way as free, since that one ends first.
std::shared_ptr<Job> start(const QByteArray& passphrase,
                           const std::array<unsigned char, Cipher::kSaltSize>& salt, int log2N);

// Tests: while the gate is held, every derivation waits on its worker before it derives
// (already counted as running) until the gate is released, so that a test can act while one
// is under way without betting on the machine's speed. Releasing lets every waiting one go.
void holdGate();
void releaseGate();
// Tests: how many derivations wait at the held gate now.
int waitingAtGate();
// Tests: no derivation is under way or waiting for its turn (one left by an earlier test
// would run ahead of the next).
bool idle();
// Tests: the most derivations that ran at the same time since the last reset.
int peakRunning();
void resetPeakRunning();

} // namespace KeyDerivation
