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

std::atomic<int> g_abandoned = 0; // abandoned and not yet done
std::atomic<int> g_queued = 0;    // started and not yet through the gate
std::atomic<qint64> g_held = 0;   // scrypt memory of the derivation under way
constexpr int kDone = 1, kAbandoned = 2;

// The gate: one worker, first come first served.
QThreadPool& gate() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
}
} // namespace

Memory checkMemory(int log2N) {
    Memory m;
    const quint64 scrypt = Cipher::scryptMemory(log2N);
    m.needed = scrypt > quint64(std::numeric_limits<qint64>::max() / 2)
                   ? std::numeric_limits<qint64>::max() / 2
                   : qint64(scrypt) + kMemoryMargin;
    m.available = SystemMemory::available();
    // The region of the derivation under way is given back before this one starts.
    if (m.available >= 0)
        m.available += g_held.load();
    return m;
}

Job::Job(const QByteArray& passphrase, const std::array<unsigned char, Cipher::kSaltSize>& s, int n)
    : salt(s), log2N(n), m_passphrase(passphrase) {
    m_passphrase.detach();
}

Job::~Job() {
    markDone(); // never ran: skipped at its turn
    if (!m_passphrase.isEmpty())
        sodium_memzero(m_passphrase.data(), std::size_t(m_passphrase.size()));
}

void Job::abandon() {
    // Whichever of abandon and markDone comes second sees the other's bit.
    const int before = m_state.fetch_or(kAbandoned);
    if (!(before & (kDone | kAbandoned)))
        ++g_abandoned;
}

void Job::markDone() {
    const int before = m_state.fetch_or(kDone);
    if ((before & kAbandoned) && !(before & kDone))
        --g_abandoned;
}

void Job::run() {
    const int now = ++g_running;
    for (int peak = g_peakRunning.load(); now > peak;)
        if (g_peakRunning.compare_exchange_weak(peak, now))
            break;
    const qint64 region = qint64(qMin<quint64>(Cipher::scryptMemory(log2N), quint64(1) << 40));
    g_held += region;
    g_gate.pass();
    m_result = Cipher::deriveWrapKey(m_passphrase.constData(), int(m_passphrase.size()), salt,
                                     log2N, m_key);
    // The KDF's frames held copies of the wrap key; a worker's stack is neither locked nor
    // wiped by anyone else. The key itself lives only in m_key (locked, wiped when freed).
    scrubStack();
    g_held -= region;
    --g_running;
    markDone();
}

// Not inlined, so that its frame lies where the frames of the function called before it at
// the same depth lay.
[[gnu::noinline]] void scrubStack() {
    unsigned char area[kScrubbedStack];
    sodium_memzero(area, sizeof area);
    // The area counts as used, so the wipe is not dropped as a dead store.
    asm volatile("" : : "r"(area) : "memory");
}

bool idle() {
    return g_queued.load() == 0;
}

bool finishingAbandoned() {
    return g_abandoned.load() > 0;
}

std::shared_ptr<Job> start(const QByteArray& passphrase,
                           const std::array<unsigned char, Cipher::kSaltSize>& salt, int log2N) {
    auto job = std::make_shared<Job>(passphrase, salt, log2N);
    auto promise = std::make_shared<QPromise<void>>();
    job->m_future = promise->future();
    promise->start();
    // Once under way the worker holds the job until it is done, whoever else still wants it;
    // one that nobody wants before its turn is skipped. The result is written before
    // finish(), which publishes it to whoever sees the future finished.
    ++g_queued;
    gate().start([weak = std::weak_ptr<Job>(job), promise] {
        if (const std::shared_ptr<Job> held = weak.lock())
            held->run();
        promise->finish();
        --g_queued;
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
