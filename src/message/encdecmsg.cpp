#include "message/encdecmsg.h"

#include "message/cleaning.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/keyderivation.h"
#include "support/ansi.h"
#include "support/backgroundwait.h"
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/seams.h"
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

// The callers check that a key is selected; this catches an entry whose key part is empty,
// which the cipher cannot use.
bool haveKey(const QString& extendedKey) {
    if (!extendedKey.isEmpty())
        return true;
    Seams::MsgBox(GetText(371), Buttons::OK, Icon::Information, GetText(370));
    return false;
}

// Text that Windows-1252 cannot represent would arrive as "?". Asks before that happens;
// false when the user would rather not send it.
bool acceptUnrepresentable(int count) {
    if (count == 0)
        return true;
    const QString prompt =
        GetText(400) + QLatin1Char(' ') + QLocale().toString(count) + kCRLF + kCRLF + GetText(401);
    return Seams::MsgBox(prompt, Buttons::YesNo, Icon::Exclamation, GetText(402), 2) ==
           Seams::Answer::Yes;
}

qint32 clampedSize(qint64 n) {
    return qint32(qMin<qint64>(n, std::numeric_limits<qint32>::max()));
}

} // namespace

void TooLargeErrMsg(const State& state, const QString& message) {
    Seams::MsgBox(message + kCRLF + kCRLF + GetText(57) + QLatin1Char(' ') +
                      FileProc::SizeText(state.lngMaxMessageSize, false) + QLatin1Char('.'),
                  Buttons::OK, Icon::Exclamation, GetText(58));
}

qint32 PackAndEncryptMessage(State& state, const MessageWindow& window) {
    const QString text = window.text();
    qint64 n = text.size();
    if (n > state.lngMaxMessageSize) {
        TooLargeErrMsg(state, GetText(342));
        return 0;
    }

    int unrepresentable = Ansi::unrepresentableCount(text);
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
        unrepresentable += Ansi::unrepresentableCount(name);
        file.name = Ansi::toAnsi(name);
        files.append(std::move(file));
    }

    state.strPlainPackage = BuildPackage(Ansi::toAnsi(text), files);
    // Too large comes first: files left out for their size must not read as "nothing".
    if (tooLarge) {
        TooLargeErrMsg(state, GetText(341) + QStringLiteral(": ") +
                                  FileProc::SizeText(clampedSize(n), false));
        return 0;
    }
    if (text.isEmpty() && files.isEmpty()) {
        refuse(GetText(340));
        return 0;
    }
    if (!acceptUnrepresentable(unrepresentable))
        return 0;

    const QString key = KeyRules::ExtendedReducedKey(CurrentKey(window.selectedKeyEntry()));
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
    qint32 r = CipherBuffer(state.strPlainPackage, state.strCipherText, key, true, &memory);
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
                    CipherMemory* memory) {
    output.clear();
    qint32 r;
    try {
        if (input.size() > std::numeric_limits<int>::max())
            throw std::length_error("input");
        const int inLength = int(input.size());
        const QByteArray keyBytes = Ansi::toAnsi(key);
        Cipher::oi(keyBytes.constData(), 1, inLength);

        // Salt and work factor first: a new file gets a fresh salt, a received one is read
        // by the cipher's own header parser, and anything wrong with it is reported by db
        // below without a derivation.
        Cipher::ScryptParameters parameters;
        if (encrypt) {
            Cipher::newSalt(parameters.salt);
            parameters.log2N = Cipher::workFactor();
        } else if (Cipher::readScryptParameters(input.constData(), inLength, parameters) != 0 ||
                   parameters.log2N > Cipher::kMaxWorkFactor) {
            QByteArray buffer(Cipher::kBufferSize, '\0');
            return Cipher::db(input.constData(), inLength, buffer.data(), int(buffer.size()));
        }

        const KeyDerivation::Memory m = KeyDerivation::checkMemory(parameters.log2N);
        if (memory)
            *memory = {!m.enough(), m.needed, m.available};
        if (!m.enough())
            return kOutOfMemory;

        const std::shared_ptr<KeyDerivation::Job> job =
            KeyDerivation::start(keyBytes, parameters.salt, parameters.log2N);
        if (!BackgroundWait::waitFor(job->future()))
            return kCancelled;
        if (job->result() == Cipher::kNoMemory)
            return kOutOfMemory;
        if (job->result() != 0)
            return job->result();

        QByteArray buffer(Cipher::kBufferSize, '\0');
        r = encrypt ? Cipher::ebWithWrapKey(job->key(), parameters.salt, parameters.log2N,
                                            input.constData(), inLength, buffer.data(),
                                            int(buffer.size()))
                    : Cipher::dbWithWrapKey(job->key(), input.constData(), inLength, buffer.data(),
                                            int(buffer.size()));
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
    const SplitPackage split = SplitDecryptedPackage(state.strDecryptedPackage);
    if (split.text) {
        const QString text = Ansi::fromAnsi(*split.text);
        window.showDecryptedText(text);
        if (state.blnTest)
            state.strTestText2 = text;
    }
    for (int i = 0; i < split.files.size(); ++i) {
        const PackagedFile& file = split.files[i];
        state.strFileContents[i] = file.contents;
        window.showReceivedFile(i, Ansi::fromAnsi(file.name), qint32(file.contents.size()));
    }
    state.strDecryptedPackage = split.rest;
    if (split.errorCode == 0)
        return true;
    fail(state, GetText(160) + QLatin1Char(' ') + QString::number(split.errorCode), GetText(13));
    return false;
}

} // namespace

namespace {

struct Dearmoured {
    bool found = false; // a block was found
    qint32 r = 0;       // dcob's result when found
    QByteArray cipher;  // the cipher bytes when r > 0
};

Dearmoured findAndDearmour(QByteArray received) {
    Dearmoured d;
    const QByteArray block = FindArmouredBlock(received);
    if (block.isEmpty())
        return d;
    d.found = true;
    QByteArray cipherBytes(Cipher::kBufferSize, '\0');
    d.r = Cipher::dcob(block.constData(), int(block.size()), cipherBytes.data(),
                       int(cipherBytes.size()));
    if (d.r > 0)
        d.cipher = cipherBytes.left(qMin<qint32>(d.r, Cipher::kBufferSize));
    return d;
}

} // namespace

bool DecryptMessage(State& state, MessageWindow& window) {
    const QString key = KeyRules::ExtendedReducedKey(
        state.blnTest ? state.strRandomKey : CurrentKey(window.selectedKeyEntry()));
    if (!haveKey(key))
        return false;
    const QByteArray keyBytes = Ansi::toAnsi(key);
    Cipher::oi(keyBytes.constData(), 0, 0);

    // Mail programs quote, indent and re-space what they show. When the text as received
    // gives no usable block, a cleaned copy gets one more try; if that fails too, the
    // first try's failure is the one reported.
    Dearmoured d = findAndDearmour(state.strCipherText);
    if (d.r <= 0) {
        const QString received = state.strReceivedText.isEmpty()
                                     ? Ansi::fromAnsi(state.strCipherText)
                                     : state.strReceivedText;
        Dearmoured second =
            findAndDearmour(Ansi::toAnsi(MailCleaning::CleanReceivedText(received)));
        if (second.r > 0)
            d = second;
    }
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
    r = CipherBuffer(state.strCipherText, state.strDecryptedPackage, key, false, &memory);
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
        else
            fail(state, GetText(158), GetText(13), GetText(159));
        return false;
    }
    return splitIntoWindow(state, window);
}

} // namespace EncDecMsg
