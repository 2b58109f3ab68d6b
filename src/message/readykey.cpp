#include "message/readykey.h"

#include <sodium.h>

namespace KeyDerivation {

ReadyKey::ReadyKey(QObject* parent) : QObject(parent) {
    randombytes_buf(m_hashKey.data(), m_hashKey.size());
    connect(&m_watcher, &QFutureWatcher<void>::finished, this, &ReadyKey::startPending);
}

ReadyKey::~ReadyKey() {
    discard();
    sodium_memzero(m_hashKey.data(), m_hashKey.size());
}

ReadyKey::Digest ReadyKey::digestOf(const QByteArray& passphrase) const {
    Digest d;
    crypto_generichash(d.data(), d.size(),
                       reinterpret_cast<const unsigned char*>(passphrase.data()),
                       std::size_t(passphrase.size()), m_hashKey.data(), m_hashKey.size());
    return d;
}

void ReadyKey::prepare(const QByteArray& passphrase, int log2N) {
    const Digest digest = digestOf(passphrase);
    if (m_job && m_job->log2N == log2N &&
        sodium_memcmp(digest.data(), m_digest.data(), digest.size()) == 0)
        return;
    discard();
    m_pending = passphrase;
    m_pending.detach();
    m_pendingLog2N = log2N;
    if (running())
        return; // startPending runs when the one under way ends
    startPending();
}

void ReadyKey::startPending() {
    if (m_pending.isEmpty() || running())
        return;
    QByteArray passphrase = std::move(m_pending);
    m_pending = QByteArray();
    const int log2N = m_pendingLog2N;
    if (checkMemory(log2N).enough()) {
        try {
            std::array<unsigned char, Cipher::kSaltSize> salt;
            Cipher::newSalt(salt);
            m_job = start(passphrase, salt, log2N);
            m_digest = digestOf(passphrase);
            m_running = m_job->future();
            m_watcher.setFuture(m_running);
        } catch (const std::bad_alloc&) {
            m_job.reset(); // the click derives as it would without
        }
    }
    sodium_memzero(passphrase.data(), std::size_t(passphrase.size()));
}

void ReadyKey::discard() {
    m_job.reset();
    sodium_memzero(m_digest.data(), m_digest.size());
    if (!m_pending.isEmpty())
        sodium_memzero(m_pending.data(), std::size_t(m_pending.size()));
    m_pending = QByteArray();
}

std::shared_ptr<Job> ReadyKey::take(const QByteArray& passphrase, int log2N) {
    if (!m_job || m_job->log2N != log2N)
        return nullptr;
    const Digest digest = digestOf(passphrase);
    if (sodium_memcmp(digest.data(), m_digest.data(), digest.size()) != 0)
        return nullptr;
    std::shared_ptr<Job> job = std::move(m_job);
    discard();
    return job;
}

} // namespace KeyDerivation
