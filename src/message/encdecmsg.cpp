// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/encdecmsg.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/keyderivation.h"
#include "message/readykey.h"
#include "support/ansi.h"
#include "support/backgroundwait.h"
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/seams.h"
#include "support/wipe.h"
#include "text/programtext.h"

#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>

#include <cstdlib>
#include <limits>
#include <new>

namespace EncDecMsg {

static_assert(kMaxMessageSizeInFullVersion * 3 / 2 == Cipher::kBufferSize,
              "the cipher's buffers are sized for the largest message");

namespace {

const QString kCRLF = QStringLiteral("\r\n");

using Seams::Buttons;
using Seams::Icon;

// Shows a failure and keeps its text for the self-test.
void fail(State& state, const QString& prompt, const QString& title,
          const QString& testText = QString()) {
    Seams::MsgBox(prompt, Buttons::OK, Icon::Exclamation, title);
    state.strTestErrMsg = testText.isNull() ? prompt : testText;
}

void refuse(const QString& prompt) {
    Seams::MsgBox(prompt, Buttons::OK, Icon::Exclamation, GetText(51));
}

// The callers check that a key is selected; this catches a selected entry whose key part is
// empty (a keyfile may hold one), which the cipher cannot use.
bool haveKey(const QString& extendedKey) {
    if (!extendedKey.isEmpty())
        return true;
    Seams::MsgBox(GetText(510), Buttons::OK, Icon::Information, GetText(511));
    return false;
}

// How many characters the question about unsendable characters names.
constexpr int kNamedCharacters = 5;

// One character for the user: itself and its code, which shows also an invisible one.
QString characterName(char32_t c) {
    return QString::fromUcs4(&c, 1) + QStringLiteral(" (U+") +
           QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')) + QLatin1Char(')');
}

// Text that Windows-1252 cannot represent would arrive as "?", one for each character.
// Asks before that happens, naming the first few different ones; false when the user would
// rather not send it.
bool acceptUnrepresentable(const QList<char32_t>& characters) {
    if (characters.isEmpty())
        return true;
    QList<char32_t> named;
    for (char32_t c : characters)
        if (!named.contains(c) && named.size() < kNamedCharacters)
            named.append(c);
    QStringList names;
    for (char32_t c : named)
        names << characterName(c);
    const QString prompt = GetText(400) + QLatin1Char(' ') + QLocale().toString(characters.size()) +
                           kCRLF + GetText(512) + QLatin1Char(' ') +
                           names.join(QStringLiteral(", ")) + kCRLF + kCRLF + GetText(401);
    return Seams::MsgBox(prompt, Buttons::YesNo, Icon::Exclamation, GetText(402), 2) ==
           Seams::Answer::Yes;
}

} // namespace

qint64 MessageLength(const QString& text) {
    return Ansi::ansiLength(text);
}

void TooLargeErrMsg(const State& state, const QString& message) {
    Seams::MsgBox(message + kCRLF + kCRLF + GetText(57) + QLatin1Char(' ') +
                      FileProc::SizeText(state.lngMaxMessageSize, false) + QLatin1Char('.'),
                  Buttons::OK, Icon::Exclamation, GetText(58));
}

qint32 PackAndEncryptMessage(State& state, const MessageWindow& window) {
    const QString text = window.text();
    qint64 n = MessageLength(text);
    if (n > state.lngMaxMessageSize) {
        TooLargeErrMsg(state, GetText(342));
        return 0;
    }

    QList<char32_t> unrepresentable = Ansi::unrepresentableCharacters(text);
    QList<PackagedFile> files;
    bool tooLarge = false;
    for (int i = 0; i < kNumSlots; ++i) {
        const QString path = TrimSpaces(window.slotPath(i));
        if (path.isEmpty())
            continue;
        if (!DiskProc::FileExists(path)) {
            refuse(path + QLatin1Char(' ') + GetText(177));
            return 0;
        }
        const qint64 size = QFileInfo(path).size();
        if (size == 0) {
            refuse(path + QLatin1Char(' ') + GetText(118) + QStringLiteral("  ") + GetText(178));
            return 0;
        }
        // Later slots are still checked, so that a missing file is reported before the size
        // and the report names the whole size.
        n += size;
        if (n > state.lngMaxMessageSize) {
            tooLarge = true;
            continue;
        }
        PackagedFile file;
        const QString error = FileProc::ReadBinaryFile(path, file.contents);
        if (!error.isEmpty()) {
            Seams::MsgBox(GetText(179) + QLatin1Char(' ') + path + QStringLiteral(": ") + error,
                          Buttons::OK, Icon::None, QString());
            return 0;
        }
        // The file may have changed since its size was taken.
        if (file.contents.isEmpty()) {
            refuse(path + QLatin1Char(' ') + GetText(118) + QStringLiteral("  ") + GetText(178));
            return 0;
        }
        n += file.contents.size() - size;
        if (n > state.lngMaxMessageSize) {
            tooLarge = true;
            continue;
        }
        // A TAB would end the name early in the package and break it for the receiver.
        const QString name = FileNameOfPath(path).replace(QLatin1Char('\t'), QLatin1Char(' '));
        unrepresentable += Ansi::unrepresentableCharacters(name);
        file.name = Ansi::toAnsi(name);
        files.append(std::move(file));
    }

    Wipe::bytes(state.strPlainPackage);
    state.strPlainPackage = BuildPackage(Ansi::toAnsi(text), files);
    // Too large comes first: files left out for their size must not read as "nothing".
    if (tooLarge) {
        TooLargeErrMsg(state, GetText(341) + QStringLiteral(": ") + FileProc::SizeText(n, false));
        return 0;
    }
    if (text.isEmpty() && files.isEmpty()) {
        refuse(GetText(340));
        return 0;
    }
    if (!acceptUnrepresentable(unrepresentable))
        return 0;

    QString key = KeyRules::ExtendedReducedKey(CurrentKey(window.selectedKeyEntry()));
    const Wipe::Guard wipeKey(key);
    if (!haveKey(key))
        return 0;
    return EncryptPackage(state, key);
}

qint32 EncryptPackage(State& state, const QString& key) {
    const auto failure = [&state](qint32 r) {
        fail(state,
             r == kOutOfMemory      ? GetText(356)
             : r == kRunTimeFailure ? GetText(357)
             : r < 0                ? GetText(358)
                                    : GetText(359),
             GetText(13));
        return r;
    };

    CipherMemory memory;
    qint32 r = CipherBuffer(state.strPlainPackage, state.strCipherText, key, true, &memory,
                            state.blnTest ? nullptr : state.readyKey);
    if (r == kCancelled)
        return r; // the user's choice: nothing to report
    if (r == kOutOfMemory && memory.refused) {
        fail(state, GetText(356) + kCRLF + kCRLF + MemoryLines(memory), GetText(13));
        return r;
    }
    if (r <= 0)
        return failure(r);

    QByteArray armour(Cipher::kBufferSize, '\0');
    r = Cipher::cob(state.strCipherText.constData(), int(state.strCipherText.size()), armour.data(),
                    int(armour.size()));
    if (r <= 0) {
        // cob reports -1 or 0; anything else it might return counts as a failure too.
        if (r < 0 && r != -1)
            r = -1;
        return failure(r);
    }
    state.strCipherText = armour.left(qMin<qint32>(r, Cipher::kBufferSize));
    if (!state.blnTest)
        Seams::MsgBox(GetText(146), Buttons::OK, Icon::None, GetText(147));
    return r;
}

qint32 CipherBuffer(const QByteArray& input, QByteArray& output, const QString& key, bool encrypt,
                    CipherMemory* memory, KeyDerivation::ReadyKey* ready) {
    output.clear();
    qint32 r;
    try {
        if (input.size() > std::numeric_limits<int>::max())
            throw std::length_error("input");
        const int inLength = int(input.size());
        QByteArray keyBytes = Ansi::toAnsi(key);
        const Wipe::Guard wipeKey(keyBytes);
        Cipher::oi(keyBytes.constData(), 1, inLength);

        // Salt and work factor first: a new file gets a fresh salt, a received one is read
        // by the cipher's own header parser, and anything wrong with it is reported by db
        // below without a derivation.
        Cipher::ScryptParameters parameters;
        // A derivation made ahead for this key is used once: a new file's with its own salt,
        // a received file's when salt and work factor are the ones the file gives.
        std::shared_ptr<KeyDerivation::Job> job =
            encrypt && ready ? ready->take(keyBytes, Cipher::workFactor()) : nullptr;
        if (job) {
            parameters.salt = job->salt;
            parameters.log2N = job->log2N;
        } else if (encrypt) {
            Cipher::newSalt(parameters.salt);
            parameters.log2N = Cipher::workFactor();
        } else if (Cipher::readScryptParameters(input.constData(), inLength, parameters) != 0 ||
                   parameters.log2N > Cipher::kMaxWorkFactor) {
            QByteArray buffer(Cipher::kBufferSize, '\0');
            return Cipher::db(input.constData(), inLength, buffer.data(), int(buffer.size()));
        } else if (ready) {
            job = ready->takeFor(keyBytes, parameters.salt, parameters.log2N);
        }

        if (!job && ready) {
            // What was made ahead is of no use here; one derivation at a time, so the one
            // still under way ends before this one starts.
            ready->discard();
            if (!BackgroundWait::waitFor(ready->lastStarted()))
                return kCancelled;
        }
        if (!job) {
            const KeyDerivation::Memory m = KeyDerivation::checkMemory(parameters.log2N);
            if (memory)
                *memory = {!m.enough(), m.needed, m.available};
            if (!m.enough())
                return kOutOfMemory;
            job = KeyDerivation::start(keyBytes, parameters.salt, parameters.log2N);
        }
        // Behind a derivation cancelled earlier that is still finishing, the wait says so.
        if (!BackgroundWait::waitFor(job->future(), KeyDerivation::finishingAbandoned()
                                                        ? GetText(532)
                                                        : QString())) {
            job->abandon();
            return kCancelled;
        }
        if (job->result() == Cipher::kNoMemory)
            return kOutOfMemory;
        if (job->result() != 0)
            return job->result();

        // Holds the plain bytes when decrypting.
        QByteArray buffer(Cipher::kBufferSize, '\0');
        const Wipe::Guard wipeBuffer(buffer);
        r = encrypt ? Cipher::ebWithWrapKey(job->key(), parameters.salt, parameters.log2N,
                                            input.constData(), inLength, buffer.data(),
                                            int(buffer.size()))
                    : Cipher::dbWithWrapKey(job->key(), input.constData(), inLength, buffer.data(),
                                            int(buffer.size()));
        KeyDerivation::scrubStack();
        if (r > 0) {
            output = buffer.left(qMin<qint32>(r, Cipher::kBufferSize));
            return r;
        }
    } catch (const std::bad_alloc&) {
        r = kOutOfMemory;
    } catch (...) {
        r = kRunTimeFailure;
    }
    output.clear();
    return r;
}

int ReceivedWorkFactor(const QByteArray& cipherBytes) {
    Cipher::ScryptParameters parameters;
    if (Cipher::readScryptParameters(cipherBytes.constData(), int(cipherBytes.size()),
                                     parameters) != 0)
        return 0;
    return parameters.log2N;
}

QString MemoryLines(const CipherMemory& memory) {
    const auto mib = [](qint64 bytes) {
        return QLocale().toString((bytes + (1 << 20) - 1) >> 20) + QStringLiteral(" MiB");
    };
    return GetText(575) + QLatin1Char(' ') + mib(memory.needed) + kCRLF + GetText(580) +
           QLatin1Char(' ') + mib(qMax<qint64>(0, memory.available));
}

QString WorkFactorRefusedText(int log2N) {
    return GetText(570) + kCRLF + kCRLF + GetText(571) + QLatin1Char(' ') +
           (log2N >= 99 ? QStringLiteral("99+") : QString::number(log2N)) + kCRLF + GetText(572) +
           QLatin1Char(' ') + QString::number(Cipher::kMaxWorkFactor);
}

bool AcceptCostlyWorkFactor(int log2N, int prompt) {
    // Measured at the written work factor: 0.6 to 2 seconds on common machines; each step
    // doubles it.
    const qint64 factor = qint64(1) << qBound(0, log2N - Cipher::kWriteWorkFactor, 30);
    const qint64 low = (factor * 6 + 9) / 10;
    const qint64 high = factor * 2;
    CipherMemory memory;
    memory.needed = qint64(Cipher::scryptMemory(log2N));
    const QString text = GetText(prompt) + kCRLF + kCRLF + GetText(575) + QLatin1Char(' ') +
                         QLocale().toString(memory.needed >> 20) + QStringLiteral(" MiB") + kCRLF +
                         GetText(576) + QLatin1Char(' ') + QLocale().toString(low) +
                         QStringLiteral("–") + QLocale().toString(high) + QLatin1Char(' ') +
                         GetText(577) + kCRLF + kCRLF + GetText(578);
    return Seams::MsgBox(text, Buttons::YesNo, Icon::Exclamation, GetText(579), 2) ==
           Seams::Answer::Yes;
}

QString RandomText(QRandomGenerator& rng) {
    QByteArray buffer(Cipher::kRandomTextBufferSize, '\0');
    const int seed = rng.bounded(1, 32001);
    const int r = Cipher::mt(seed, buffer.data());
    return Ansi::fromAnsi(buffer.left(qBound(0, r, Cipher::kRandomTextBufferSize - 1)));
}

bool IsArmourCharacter(int code) {
    const int r = Cipher::cci(code);
    if (r == -2) {
        // The cipher library was never started: nothing of the message path can work.
        Seams::MsgBox(GetText(148), Buttons::OK, Icon::None, QString());
        std::exit(EXIT_FAILURE);
    }
    return r >= 0;
}

namespace {

// Hands what the package holds to the window, as far as it could be read.
bool splitIntoWindow(State& state, MessageWindow& window) {
    SplitPackage split = SplitDecryptedPackage(state.strDecryptedPackage);
    if (split.text) {
        QString text = Ansi::fromAnsi(*split.text);
        window.showDecryptedText(text);
        if (state.blnTest)
            state.strTestText2 = text;
        Wipe::text(text);
        Wipe::bytes(*split.text);
    }
    for (int i = 0; i < split.files.size(); ++i) {
        const PackagedFile& file = split.files[i];
        Wipe::bytes(state.strFileContents[i]);
        state.strFileContents[i] = file.contents;
        window.showReceivedFile(i, Ansi::fromAnsi(file.name), qint32(file.contents.size()));
    }
    Wipe::bytes(state.strDecryptedPackage);
    state.strDecryptedPackage = split.rest;
    if (split.errorCode == 0)
        return true;
    fail(state, GetText(160) + QLatin1Char(' ') + QString::number(split.errorCode), GetText(13));
    return false;
}

} // namespace

bool DecryptMessage(State& state, MessageWindow& window) {
    QString key = KeyRules::ExtendedReducedKey(
        state.blnTest ? state.strRandomKey : CurrentKey(window.selectedKeyEntry()));
    const Wipe::Guard wipeKey(key);
    if (!haveKey(key))
        return false;
    QByteArray keyBytes = Ansi::toAnsi(key);
    Cipher::oi(keyBytes.constData(), 0, 0);
    Wipe::bytes(keyBytes);

    const Dearmoured d = FindAndDearmour(state.strCipherText, state.strReceivedText);
    if (!d.found) {
        fail(state, GetText(152), GetText(51));
        return false;
    }
    if (state.blnTest)
        window.selectDecryptMode();

    qint32 r = d.r;
    if (r <= 0) {
        fail(state,
             r == -1   ? GetText(76)
             : r == -2 ? GetText(153)
             : r == 0  ? GetText(154)
                       : GetText(155),
             GetText(13));
        return false;
    }
    state.strCipherText = d.cipher;

    // The sender chose the work factor, and each step doubles memory and time: above the
    // ceiling nothing is derived, and a costly one only when the user agrees.
    const int workFactor = ReceivedWorkFactor(state.strCipherText);
    if (workFactor > Cipher::kMaxWorkFactor) {
        fail(state, WorkFactorRefusedText(workFactor), GetText(13));
        return false;
    }
    if (workFactor > Cipher::kSilentWorkFactor && !AcceptCostlyWorkFactor(workFactor, 573))
        return false;

    CipherMemory memory;
    r = CipherBuffer(state.strCipherText, state.strDecryptedPackage, key, false, &memory,
                     state.blnTest ? nullptr : state.readyKey);
    if (r <= 0) {
        if (r == kCancelled)
            return false; // the user's choice: nothing to report, nothing changed
        if (r == kOutOfMemory)
            fail(state,
                 memory.refused ? GetText(156) + kCRLF + kCRLF + MemoryLines(memory) : GetText(156),
                 GetText(13));
        else if (r == Cipher::kRefused)
            fail(state, WorkFactorRefusedText(workFactor), GetText(13));
        else if (r == kRunTimeFailure)
            fail(state, GetText(155), GetText(13));
        else if (r == 0)
            fail(state, GetText(157), GetText(13));
        // The transport checksum was right, so the block arrived as it was sent: a header
        // that does not parse, or contents that fail under a key that opened the stanza,
        // come from the sender's program or from someone who changed them, never from the
        // choice of key. Only a stanza that does not unwrap means another key.
        else if (r == Cipher::kDamaged)
            fail(state, GetText(530), GetText(13));
        else if (r == Cipher::kPayloadDamaged)
            fail(state, GetText(531), GetText(13));
        else
            fail(state, GetText(158), GetText(13), GetText(159));
        return false;
    }
    return splitIntoWindow(state, window);
}

} // namespace EncDecMsg
