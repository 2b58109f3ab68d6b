// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyentry.h"

#include "support/ansi.h"
#include "text/programtext.h"

namespace KeyEntry {

Refusal CharRefusal(QChar c) {
    switch (c.unicode()) {
    case u'&':
    case u'\u00AB': // «
    case u'\u00BB': // »
        return Refusal::Delimiter;
    default:
        break;
    }
    if (c.unicode() < 32)
        return Refusal::ControlCharacter;
    if (!Ansi::isAnsi(c))
        return Refusal::NotInCodePage;
    return Refusal::None;
}

QString FirstRefusedCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (CharIsAllowed(text[i]))
            continue;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.mid(i, 2);
        return QString(text[i]);
    }
    return QString();
}

QString RefusalMessage(const QString& character) {
    if (character.isEmpty())
        return QString();
    switch (CharRefusal(character[0])) {
    case Refusal::Delimiter:
        return GetText(161);
    case Refusal::ControlCharacter:
        return GetText(441);
    case Refusal::NotInCodePage:
        return GetText(440).replace(QLatin1String("%1"), character);
    case Refusal::None:
        break;
    }
    return QString();
}

QString TrimSpaces(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin] == u' ')
        ++begin;
    while (end > begin && s[end - 1] == u' ')
        --end;
    return s.mid(begin, end - begin);
}

QString CleanedKey(const QString& key) {
    QString out;
    out.reserve(key.size());
    for (QChar c : TrimSpaces(key))
        if (c != u' ' || !out.endsWith(u' '))
            out += c;
    return out;
}

QString KeyPrompt(bool masterMode, bool checksumShown, bool again) {
    QString prompt = again ? GetText(527) : masterMode ? GetText(123) : GetText(130);
    prompt += QLatin1String(" (");
    prompt += checksumShown ? GetText(162) : GetText(124);
    prompt += QLatin1String("):");
    return prompt;
}

QString ChecksumCaption(int checksum) {
    // The platform's number-to-text puts a space before a positive number.
    return GetText(136) + QLatin1Char(' ') + QString::number(checksum);
}

QString CaptionAsTitle(const QString& caption, const QString& andText) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            out += andText;
            ++i;
        }
    }
    return out;
}

QString DialogCaption(bool encryptingKeyList, bool decryptingKeyList) {
    const QString caption =
        encryptingKeyList ? GetText(17) : (decryptingKeyList ? GetText(16) : GetText(20));
    return CaptionAsTitle(caption, GetText(99));
}

} // namespace KeyEntry
