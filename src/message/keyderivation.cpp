// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/keyderivation.h"

#include "support/systemmemory.h"

#include <QPromise>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>

#include <sodium.h>

namespace KeyDerivation {

namespace {
std::atomic<int> g_running = 0;
std::atomic<int> g_peakRunning = 0;

struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool held = false;
    int waiting = 0;

    void pass() {
        std::unique_lock lock(mutex);
        ++waiting;
        opened.wait(lock, [this] { return !held; });
        --waiting;
    }
};
Gate g_gate;

// Derivations have a pool of their own: Qt's painting hands parts of large fills to the
// global pool and waits for them, so a derivation there would hold up the window.
Q_GLOBAL_STATIC(QThreadPool, g_pool)
} // namespace

Memory checkMemory(int log2N) {
    Memory m;
    const quint64 scrypt = Cipher::scryptMemory(log2N);
    m.needed = scrypt > quint64(std::numeric_limits<qint64>::max() / 2)
                   ? std::numeric_limits<qint64>::max() / 2
                   : qint64(scrypt) + kMemoryMargin;
    m.available = SystemMemory::available();
    return m;
}

Job::Job(const QByteArray& passphrase, const std::array<unsigned char, Cipher::kSaltSize>& s, int n)
    : salt(s), log2N(n), m_passphrase(passphrase) {
    m_passphrase.detach();
}

Job::~Job() {
    if (!m_passphrase.isEmpty())
        sodium_memzero(m_passphrase.data(), std::size_t(m_passphrase.size()));
}

void Job::run() {
    const int now = ++g_running;
    for (int peak = g_peakRunning.load(); now > peak;)
        if (g_peakRunning.compare_exchange_weak(peak, now))
            break;
    g_gate.pass();
    m_result = Cipher::deriveWrapKey(m_passphrase.constData(), int(m_passphrase.size()), salt,
                                     log2N, m_key);
    --g_running;
}

std::shared_ptr<Job> start(const QByteArray& passphrase,
                           const std::array<unsigned char, Cipher::kSaltSize>& salt, int log2N) {
    auto job = std::make_shared<Job>(passphrase, salt, log2N);
    auto promise = std::make_shared<QPromise<void>>();
    job->m_future = promise->future();
    promise->start();
    // The worker holds the job until it is done, whoever else still wants it. The result is
    // written before finish(), which publishes it to whoever sees the future finished.
    g_pool->start([job, promise] {
        job->run();
        promise->finish();
    });
    return job;
}

void holdGate() {
    std::lock_guard lock(g_gate.mutex);
    g_gate.held = true;
}

void releaseGate() {
    {
        std::lock_guard lock(g_gate.mutex);
        g_gate.held = false;
    }
    g_gate.opened.notify_all();
}

int waitingAtGate() {
    std::lock_guard lock(g_gate.mutex);
    return g_gate.waiting;
}

int peakRunning() {
    return g_peakRunning.load();
}

void resetPeakRunning() {
    g_peakRunning = g_running.load();
}

} // namespace KeyDerivation
