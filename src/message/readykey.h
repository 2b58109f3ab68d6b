// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wrap key of the next click, derived ahead of it. For the Encrypt click: while a key is
// selected for encryption, a derivation under a fresh random salt runs in the background. For
// the Decrypt click: while a key is selected for decryption and the clipboard holds a block,
// a derivation under that block's salt and work factor. The window says what it wants
// (prepare, prepareFor, discard); the commands take it (take, takeFor).
//
// A wrap key made under a fresh salt serves one new file only (age wraps the file key with a
// fixed nonce, so a second file under the same salt and passphrase would repeat key and
// nonce): take hands it over once and forgets it. A salt read from a received block is never
// handed to an encryption. At most one derivation runs in the background at a time: a
// request made while an older one is still under way waits for it to end, so the memory of
// two is never held. What is discarded is wiped as soon as its worker lets go.
#include "message/keyderivation.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QObject>

#include <array>
#include <memory>

namespace KeyDerivation {

using Salt = std::array<unsigned char, Cipher::kSaltSize>;

class ReadyKey : public QObject {
    Q_OBJECT
public:
    explicit ReadyKey(QObject* parent = nullptr);
    ~ReadyKey() override;

    // Wants a wrap key for a new file: passphrase (its bytes as the cipher gets them) at work
    // factor log2N, under a fresh salt. One already made or under way for the same passphrase
    // and work factor under a fresh salt is kept; otherwise it is discarded and a new
    // derivation starts (once the one under way has ended). Nothing starts when the memory
    // check refuses.
    void prepare(const QByteArray& passphrase, int log2N);
    // The same for a received block: the wrap key for passphrase under its salt and work
    // factor. The caller decides which work factors may be derived unasked.
    void prepareFor(const QByteArray& passphrase, const Salt& salt, int log2N);
    // Drops the held derivation and any request not yet started.
    void discard();
    // The derivation held for a new file under passphrase and log2N, finished or not, handed
    // over once; null when none is held for them.
    std::shared_ptr<Job> take(const QByteArray& passphrase, int log2N);
    // The derivation held for a received block with this salt and work factor under
    // passphrase, handed over once; null when none is held for them.
    std::shared_ptr<Job> takeFor(const QByteArray& passphrase, const Salt& salt, int log2N);

    // Finishes when no derivation started here runs any more (also one already discarded):
    // a command that derives on its own waits for it, so that two never run at once.
    QFuture<void> lastStarted() const { return m_running; }

    // Tests: a derivation is held (under way or done); one runs in the background now (held
    // or discarded but not yet ended).
    bool held() const { return bool(m_job); }
    bool running() const { return !m_running.isFinished(); }

private:
    using Digest = std::array<unsigned char, 32>;
    Digest digestOf(const QByteArray& passphrase) const;
    bool holds(const QByteArray& passphrase, bool fresh, const Salt* salt, int log2N) const;
    void request(const QByteArray& passphrase, bool fresh, const Salt* salt, int log2N);
    std::shared_ptr<Job> hand(const QByteArray& passphrase, bool fresh, const Salt* salt,
                              int log2N);
    void startPending();

    std::array<unsigned char, 32> m_hashKey{}; // keys the digests: none outlives the process
    std::shared_ptr<Job> m_job;                // held for m_digest
    Digest m_digest{};
    bool m_fresh = false; // m_job's salt was drawn here, for a new file
    QByteArray m_pending; // a passphrase waiting for the running derivation to end
    int m_pendingLog2N = 0;
    bool m_pendingFresh = false;
    Salt m_pendingSalt{};
    QFuture<void> m_running; // the last derivation started here
    QFutureWatcher<void> m_watcher;
};

} // namespace KeyDerivation
