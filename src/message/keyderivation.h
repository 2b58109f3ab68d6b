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
#include "backends/cipher/cipher.h"

#include <QByteArray>
#include <QFuture>

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

private:
    friend std::shared_ptr<Job> start(const QByteArray&,
                                      const std::array<unsigned char, Cipher::kSaltSize>&, int);
    void run();

    QByteArray m_passphrase;
    Cipher::WrapKey m_key;
    int m_result = Cipher::kNoMemory;
    QFuture<void> m_future;
};

// Starts a derivation on a worker thread. Check the memory first (checkMemory).
std::shared_ptr<Job> start(const QByteArray& passphrase,
                           const std::array<unsigned char, Cipher::kSaltSize>& salt, int log2N);

// Tests: while the gate is held, every derivation waits on its worker before it derives
// (already counted as running) until the gate is released, so that a test can act while one
// is under way without betting on the machine's speed. Releasing lets every waiting one go.
void holdGate();
void releaseGate();
// Tests: how many derivations wait at the held gate now.
int waitingAtGate();
// Tests: the most derivations that ran at the same time since the last reset.
int peakRunning();
void resetPeakRunning();

} // namespace KeyDerivation
