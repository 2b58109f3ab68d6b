#pragma once
// The wrap key of the next file, derived ahead of the Encrypt click: while a key is
// selected for encryption, a derivation under a fresh random salt runs in the background, so
// the click finds it done. The window says what it wants (prepare, discard); the encryption
// takes it (take).
//
// A wrap key and its salt serve one file only (age wraps the file key with a fixed nonce, so
// a second file under the same salt and passphrase would repeat key and nonce): take hands
// a derivation over once and forgets it. At most one derivation runs in the background at a
// time: a request made while an older one is still under way waits for it to end, so the
// memory of two is never held. What is discarded is wiped as soon as its worker lets go.
#include "message/keyderivation.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QObject>

#include <array>
#include <memory>

namespace KeyDerivation {

class ReadyKey : public QObject {
    Q_OBJECT
public:
    explicit ReadyKey(QObject* parent = nullptr);
    ~ReadyKey() override;

    // Wants a wrap key for passphrase (its bytes as the cipher gets them) at work factor
    // log2N. One already made or under way for the same passphrase and work factor is kept;
    // otherwise it is discarded and a new derivation with a fresh salt starts (once the one
    // under way has ended). Nothing starts when the memory check refuses.
    void prepare(const QByteArray& passphrase, int log2N);
    // Drops the held derivation and any request not yet started.
    void discard();
    // The derivation held for passphrase and log2N, finished or not, handed over once; null
    // when none is held for them.
    std::shared_ptr<Job> take(const QByteArray& passphrase, int log2N);

    // Tests: a derivation is held (under way or done); one runs in the background now (held
    // or discarded but not yet ended).
    bool held() const { return bool(m_job); }
    bool running() const { return !m_running.isFinished(); }

private:
    using Digest = std::array<unsigned char, 32>;
    Digest digestOf(const QByteArray& passphrase) const;
    void startPending();

    std::array<unsigned char, 32> m_hashKey{}; // keys the digests: none outlives the process
    std::shared_ptr<Job> m_job;                // held for m_digest
    Digest m_digest{};
    QByteArray m_pending; // a passphrase waiting for the running derivation to end
    int m_pendingLog2N = 0;
    QFuture<void> m_running; // the last derivation started here
    QFutureWatcher<void> m_watcher;
};

} // namespace KeyDerivation
