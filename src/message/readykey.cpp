// SPDX-License-Identifier: GPL-3.0-or-later
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

bool ReadyKey::holds(const QByteArray& passphrase, bool fresh, const Salt* salt, int log2N) const {
    if (!m_job || m_fresh != fresh || m_job->log2N != log2N)
        return false;
    if (salt && sodium_memcmp(salt->data(), m_job->salt.data(), salt->size()) != 0)
        return false;
    const Digest digest = digestOf(passphrase);
    return sodium_memcmp(digest.data(), m_digest.data(), digest.size()) == 0;
}

void ReadyKey::prepare(const QByteArray& passphrase, int log2N) {
    request(passphrase, true, nullptr, log2N);
}

void ReadyKey::prepareFor(const QByteArray& passphrase, const Salt& salt, int log2N) {
    request(passphrase, false, &salt, log2N);
}

void ReadyKey::request(const QByteArray& passphrase, bool fresh, const Salt* salt, int log2N) {
    if (holds(passphrase, fresh, salt, log2N))
        return;
    discard();
    m_pending = passphrase;
    m_pending.detach();
    m_pendingLog2N = log2N;
    m_pendingFresh = fresh;
    if (salt)
        m_pendingSalt = *salt;
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
            Salt salt = m_pendingSalt;
            if (m_pendingFresh)
                Cipher::newSalt(salt);
            m_job = start(passphrase, salt, log2N);
            m_fresh = m_pendingFresh;
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
    sodium_memzero(m_pendingSalt.data(), m_pendingSalt.size());
}

std::shared_ptr<Job> ReadyKey::hand(const QByteArray& passphrase, bool fresh, const Salt* salt,
                                    int log2N) {
    if (!holds(passphrase, fresh, salt, log2N))
        return nullptr;
    std::shared_ptr<Job> job = std::move(m_job);
    discard();
    return job;
}

std::shared_ptr<Job> ReadyKey::take(const QByteArray& passphrase, int log2N) {
    return hand(passphrase, true, nullptr, log2N);
}

std::shared_ptr<Job> ReadyKey::takeFor(const QByteArray& passphrase, const Salt& salt, int log2N) {
    return hand(passphrase, false, &salt, log2N);
}

} // namespace KeyDerivation
