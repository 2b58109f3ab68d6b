// SPDX-License-Identifier: GPL-3.0-or-later
#include "message/mailsource.h"

#include "support/ansi.h"

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

#include <mutex>

namespace MailSource {

namespace {

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// A field name is printable ASCII without ":" and without spaces.
bool isFieldNameCharacter(QChar c) {
    return c.unicode() > 32 && c.unicode() < 127 && c != u':';
}

// The length of the field name when line is a header line ("Name:"), else 0.
qsizetype fieldNameLength(QStringView line) {
    qsizetype n = 0;
    while (n < line.size() && isFieldNameCharacter(line[n]))
        ++n;
    return n < line.size() && line[n] == u':' ? n : 0;
}

bool isMimeField(QStringView name) {
    for (const char* field : {"MIME-Version", "Content-Type", "Content-Transfer-Encoding"})
        if (name.compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

template <typename T> struct Unref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T> using Owned = std::unique_ptr<T, Unref<T>>;

// The part's content without its transfer encoding, converted from its charset where GMime
// knows that charset; converted says whether it was.
QByteArray decodedContent(GMimePart* part, bool& converted) {
    converted = false;
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content)
        return {};
    const Owned<GMimeStream> memory(g_mime_stream_mem_new());
    const Owned<GMimeStream> filtered(g_mime_stream_filter_new(memory.get()));
    if (const char* charset =
            g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset")) {
        if (GMimeFilter* filter = g_mime_filter_charset_new(charset, "UTF-8")) {
            g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), filter);
            g_object_unref(filter);
            converted = true;
        }
    }
    if (g_mime_data_wrapper_write_to_stream(content, filtered.get()) < 0)
        return {};
    g_mime_stream_flush(filtered.get());
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

} // namespace

qsizetype MessageStart(QStringView text) {
    qsizetype runStart = -1; // the first line of the current run of header lines
    bool mime = false;
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && !isLineBreak(text[lineEnd]))
            ++lineEnd;
        const QStringView line = text.sliced(lineStart, lineEnd - lineStart);
        if (runStart >= 0 && !line.isEmpty() && (line[0] == u' ' || line[0] == u'\t')) {
            // a folded header line
        } else if (const qsizetype name = fieldNameLength(line)) {
            if (runStart < 0) {
                runStart = lineStart;
                mime = false;
            }
            mime = mime || isMimeField(line.first(name));
        } else {
            if (runStart >= 0 && mime)
                return runStart;
            runStart = -1;
        }
        if (lineEnd == text.size())
            break;
        lineStart = lineEnd + (text.sliced(lineEnd).startsWith(u"\r\n") ? 2 : 1);
    }
    return runStart >= 0 && mime ? runStart : -1;
}

QList<QString> TextParts(const QString& text) {
    const qsizetype start = MessageStart(text);
    if (start < 0)
        return {};
    initialiseOnce();
    const QByteArray source = QStringView(text).sliced(start).toUtf8();
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(source.constData(), source.size());
    const Owned<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    g_object_unref(stream); // the parser holds it
    const Owned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message)
        return {};

    QList<QString> parts;
    GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message.get()));
    for (bool more = g_mime_part_iter_is_valid(iter); more; more = g_mime_part_iter_next(iter)) {
        GMimeObject* current = g_mime_part_iter_get_current(iter);
        if (!GMIME_IS_TEXT_PART(current))
            continue;
        bool converted = false;
        const QByteArray decoded = decodedContent(GMIME_PART(current), converted);
        parts.append(converted || QUtf8StringView(decoded).isValidUtf8()
                         ? QString::fromUtf8(decoded)
                         : Ansi::fromAnsi(decoded));
    }
    g_mime_part_iter_free(iter);
    return parts;
}

QByteArray DecodeQuotedPrintable(QByteArrayView encoded) {
    // The decoder never writes more than it reads.
    QByteArray decoded(encoded.size(), Qt::Uninitialized);
    int state = 0;
    guint32 save = 0;
    const std::size_t n = g_mime_encoding_quoted_decode_step(
        reinterpret_cast<const unsigned char*>(encoded.data()), std::size_t(encoded.size()),
        reinterpret_cast<unsigned char*>(decoded.data()), &state, &save);
    decoded.truncate(qsizetype(n));
    return decoded;
}

} // namespace MailSource
