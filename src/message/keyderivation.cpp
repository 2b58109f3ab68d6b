#include "message/keyderivation.h"

#include "support/systemmemory.h"

#include <QPromise>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <limits>

#include <sodium.h>

namespace KeyDerivation {

namespace {
std::atomic<int> g_testDelay = 0;
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
    if (const int ms = g_testDelay.load())
        QThread::msleep(ulong(ms));
    m_result = Cipher::deriveWrapKey(m_passphrase.constData(), int(m_passphrase.size()), salt,
                                     log2N, m_key);
}

std::shared_ptr<Job> start(const QByteArray& passphrase,
                           const std::array<unsigned char, Cipher::kSaltSize>& salt, int log2N) {
    auto job = std::make_shared<Job>(passphrase, salt, log2N);
    auto promise = std::make_shared<QPromise<void>>();
    job->m_future = promise->future();
    promise->start();
    // The worker holds the job until it is done, whoever else still wants it. The result is
    // written before finish(), which publishes it to whoever sees the future finished.
    QThreadPool::globalInstance()->start([job, promise] {
        job->run();
        promise->finish();
    });
    return job;
}

void setTestDelay(int ms) {
    g_testDelay = ms;
}

} // namespace KeyDerivation
