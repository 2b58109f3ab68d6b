// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block that reached the clipboard as HTML: copied from a message's source or from a web
// page's code, every line in its own element ("<div>…</div>", "<br>"), "=" and "+" written
// as entities. Qt's HTML reader turns it back into lines of text.
#include <QString>

namespace MailHtml {

// The text Qt's HTML reader makes of the stretch of text that holds the block: from the tag
// that opens the Begin marker's element (the last "<" before "TessamailMessageBegin") to the
// end of the first "TessamailMessageEnd" after it. Empty when there are no such markers, when
// nothing between them looks like HTML (a tag: "<" followed by a letter, "/" or "!"; or an
// entity: "&" followed by "#" or a letter and ending in ";" within a few characters), or when
// the stretch is longer than kMaxHtmlLength: the reader costs about a microsecond per
// character, and no block needs that much markup.
//
// The reader builds a document without laying it out, so it loads no font and may run on
// any thread, also without a QGuiApplication.
QString HtmlAroundMarkersAsText(const QString& text);

// The text Qt's HTML reader makes of html, cut to its first kMaxHtmlLength characters.
QString HtmlAsText(const QString& html);

// The largest message's block written with a monospace style on every line's element takes
// about 290,000 characters.
constexpr qsizetype kMaxHtmlLength = 1 << 19;

// True when text holds a tag or an entity (as above).
bool LooksLikeHtml(QStringView text);

} // namespace MailHtml
