// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/htmltext.h"

#include <QStringView>
#include <QTextDocument>

namespace MailHtml {

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
// "&#x2B;", "&equals;": the longest entity a block needs is short.
constexpr qsizetype kMaxEntityLength = 10;

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiLetterOrDigit(QChar c) {
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9');
}

} // namespace

bool LooksLikeHtml(QStringView text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QChar next = text[i + 1];
        if (text[i] == u'<' && (isAsciiLetter(next) || next == u'/' || next == u'!'))
            return true;
        if (text[i] != u'&' || !(next == u'#' || isAsciiLetter(next)))
            continue;
        // Each "&" looks at most this far ahead, so the scan stays linear.
        for (qsizetype j = i + 2; j < text.size() && j <= i + kMaxEntityLength; ++j) {
            if (text[j] == u';')
                return true;
            if (!isAsciiLetterOrDigit(text[j]))
                break;
        }
    }
    return false;
}

QString HtmlAsText(const QString& html) {
    QTextDocument document;
    document.setHtml(html.left(kMaxHtmlLength));
    return document.toPlainText();
}

QString HtmlAroundMarkersAsText(const QString& text) {
    const qsizetype begin = text.indexOf(kBegin);
    if (begin < 0)
        return {};
    const qsizetype end = text.indexOf(kEnd, begin + kBegin.size());
    if (end < 0)
        return {};
    // The Begin marker's own element, so that the reader sees where its line ends; what
    // stands before that belongs to the mail, not to the block.
    const qsizetype open = text.lastIndexOf(u'<', begin);
    const qsizetype from = open >= 0 && begin - open <= kMaxHtmlLength ? open : begin;
    const qsizetype to = end + kEnd.size();
    if (to - from > kMaxHtmlLength)
        return {};
    const QString stretch = text.sliced(from, to - from);
    if (!LooksLikeHtml(QStringView(stretch).sliced(begin - from)))
        return {};
    return HtmlAsText(stretch);
}

} // namespace MailHtml
