// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the generated part of the fuzz targets' seed corpora: real armoured mails in the
// shapes mail programs give them, age files from eb, the age test vectors' raw files, and
// packages. Cipher text is random (salt, nonce), so every run writes different bytes.
//   cmake --build build-fuzz --target make_seeds
//   build-fuzz/fuzz/make_seeds [corpus-folder [age-vector-folder [target...]]]
// Defaults: fuzz/corpus, tests/data/age, every target.
#include "backends/cipher/cipher.h"
#include "keys/keylisttext.h"
#include "mainwindow/parametersfile.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "testsupport/randombytes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

using TestSupport::randomBytes;

constexpr char kPassphrase[] = "password"; // the test vectors' passphrase
constexpr int kWorkFactor = 10;
// One STREAM chunk and a little: enough for every chunk-boundary case, and seeds stay small.
constexpr qsizetype kMaxVectorSize = 70 * 1000;

QString g_root;
int g_failures = 0;

void write(const QString& target, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(g_root + '/' + target);
    QFile f(g_root + '/' + target + '/' + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        ++g_failures;
    }
}

QByteArray encrypt(const QByteArray& plain) {
    QByteArray out(Cipher::kBufferSize, '\0');
    const int r = Cipher::eb(plain.constData(), int(plain.size()), out.data(), int(out.size()));
    if (r <= 0) {
        std::fprintf(stderr, "eb failed: %d\n", r);
        ++g_failures;
        return {};
    }
    return out.left(r);
}

QByteArray armour(const QByteArray& cipher) {
    QByteArray out(Cipher::kBufferSize, '\0');
    const int r = Cipher::cob(cipher.constData(), int(cipher.size()), out.data(), int(out.size()));
    if (r <= 0) {
        std::fprintf(stderr, "cob failed: %d\n", r);
        ++g_failures;
        return {};
    }
    return out.left(r);
}

QList<QByteArray> lines(const QByteArray& text) {
    return text.split('\n');
}

QByteArray joined(const QList<QByteArray>& lines, const QByteArray& lineBreak) {
    return lines.join(lineBreak);
}

// Each line with a prefix; an empty line gets the prefix without its trailing space.
QList<QByteArray> prefixed(const QList<QByteArray>& lines, const QByteArray& prefix) {
    QList<QByteArray> out;
    for (const QByteArray& line : lines)
        out << (line.isEmpty() ? prefix.trimmed() : prefix + line);
    return out;
}

QList<QByteArray> rewrapped(const QByteArray& armourText, int width) {
    const QByteArray all = QByteArray(armourText).replace("\r\n", "");
    QList<QByteArray> out;
    for (qsizetype i = 0; i < all.size(); i += width)
        out << all.mid(i, width);
    return out;
}

void armourSeeds() {
    const QByteArray text = "Hello Bob,\r\n\r\nhere is the contract, as promised. Gr\xfc\xdf"
                            "e aus Berlin.\r\n";
    const QByteArray small = armour(encrypt(EncDecMsg::BuildPackage("Hi", {})));
    const QByteArray message = armour(encrypt(EncDecMsg::BuildPackage(
        text, {{"contract.txt", "Clause 1: \tpay on time.\r\nClause 2: deliver.\r\n"}})));
    const QByteArray large = armour(encrypt(EncDecMsg::BuildPackage(
        "Three files",
        {{"a.bin", randomBytes(3000, 1)}, {"b.txt", "b"}, {"c\xe9.txt", QByteArray(600, '\t')}})));

    // A mail around the block: greeting, empty line, block, empty line, signature.
    const QList<QByteArray> greeting = {"Hello Bob,", "", "here is the contract, as promised.", ""};
    const QList<QByteArray> signature = {"", "Best regards,", "-- ", "Alice Example",
                                         "Example GmbH, Berlin"};
    const QList<QByteArray> block = lines(QByteArray(message).replace("\r\n", "\n"));
    const QList<QByteArray> mail = greeting + block + signature;

    write("armour", "block_alone.txt", message);
    write("armour", "block_small.txt", small);
    write("armour", "block_three_files.txt", large);
    write("armour", "mail_crlf.txt", joined(mail, "\r\n"));
    write("armour", "mail_lf.txt", joined(mail, "\n"));
    write("armour", "mail_cr.txt", joined(mail, "\r"));
    write("armour", "mail_cr_cr_lf.txt", joined(mail, "\r\r\n"));
    write("armour", "mail_quoted.txt",
          joined(QList<QByteArray>{"On Monday, Alice Example wrote:"} + prefixed(mail, "> "),
                 "\r\n"));
    write("armour", "mail_quoted_twice.txt", joined(prefixed(prefixed(mail, "> "), "> "), "\r\n"));
    write("armour", "mail_quoted_lf_no_space.txt",
          joined(prefixed(prefixed(mail, ">"), ">"), "\n"));
    write("armour", "mail_rewrapped_76.txt",
          joined(greeting + rewrapped(message, 76) + signature, "\r\n"));
    write("armour", "mail_joined_one_line.txt",
          joined(greeting + rewrapped(message, 1 << 20) + signature, "\r\n"));
    QList<QByteArray> spaced;
    for (const QByteArray& line : block)
        spaced << line << "";
    write("armour", "mail_double_spaced.txt", joined(greeting + spaced + signature, "\r\n"));
    // UTF-8: no-break spaces, a zero-width space and trailing spaces around the lines.
    write("armour", "mail_indented_utf8.txt",
          joined(greeting + prefixed(block, "\xc2\xa0\xe2\x80\x8b ") + signature, "\r\n")
              .replace("\r\n", "  \r\n"));
    write("armour", "mail_name_glued_above.txt",
          joined(greeting + QList<QByteArray>{"AliceExample"} + block + signature, "\r\n"));
    char filler[Cipher::kRandomTextBufferSize];
    const int n = Cipher::mt(4711, filler);
    write("armour", "filler_glued.txt",
          QByteArray(filler, n) + message + "\r\n" + QByteArray(filler, n));
    write("armour", "two_blocks.txt", joined(mail, "\r\n") + "\r\n\r\n" + large);

    // Only the last try reads these: other quote marks, invisible characters inside lines,
    // Unicode line separators, joined lines, a quoted-printable source view.
    QList<QByteArray> sprinkled;
    for (const QByteArray& line : block) {
        QByteArray out;
        for (qsizetype i = 0; i < line.size(); ++i)
            out += line.mid(i, 1) + (i % 16 == 15 ? "\xe2\x80\x8b" : "");
        sprinkled << out;
    }
    write("armour", "mail_bar_quoted_zero_width_utf8.txt",
          joined(prefixed(greeting + sprinkled + signature, "| "), "\r\n"));
    write("armour", "mail_initials_quoted_soft_hyphens.txt",
          joined(prefixed(greeting + block + signature, "AE> "), "\r\n").replace("Q", "Q\xad"));
    write("armour", "mail_line_separators_utf8.txt",
          joined(greeting + block + signature, "\xe2\x80\xa8"));
    QList<QByteArray> pairs;
    for (qsizetype i = 0; i < block.size(); i += 2)
        pairs << (i + 1 < block.size() ? block[i] + ' ' + block[i + 1] : block[i]);
    write("armour", "mail_joined_pairs.txt", joined(greeting + pairs + signature, "\r\n"));
    QList<QByteArray> source;
    for (const QByteArray& line : rewrapped(message, 40))
        source << QByteArray(line).replace("=", "=3D") + "=";
    write("armour", "mail_quoted_printable.txt",
          joined(greeting + lines(QByteArray(message).replace("=", "=3D")) + signature, "\r\n"));
    write("armour", "mail_quoted_printable_soft_breaks.txt",
          joined(greeting + source + signature, "\r\n"));

    QByteArray damaged = message;
    damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == 'A' ? 'B' : 'A';
    write("armour", "checksum_mismatch.txt", joined(greeting, "\r\n") + damaged);
    write("armour", "end_missing.txt", message.left(message.size() - 5));
    write("armour", "markers_only.txt",
          "TessamailMessageBegin\r\n" + QByteArray(300, 'A') + "\r\nTessamailMessageEnd");
    write("armour", "stretch_299.txt",
          "Dear all,\r\n" + QByteArray(299, 'x') + "!\r\n" + QByteArray(150, 'y') + "\r\n\r\n" +
              QByteArray(150, 'z'));
    write("armour", "stretch_300.txt", "> " + QByteArray(300, 'Q') + "\r\nthe end");
}

// The raw age file of a test vector: after the preamble, inflated where it says so.
QByteArray vectorFile(const QByteArray& all) {
    const qsizetype split = all.indexOf("\n\n");
    if (split < 0)
        return {};
    QByteArray file = all.mid(split + 2);
    if (all.left(split).contains("\ncompressed: zlib"))
        file = qUncompress(QByteArray(4, '\0') + file);
    return file;
}

void ageSeeds(const QString& vectors) {
    const QStringList names = QDir(vectors).entryList(QDir::Files, QDir::Name);
    int written = 0;
    for (const QString& name : names) {
        if (name == QLatin1String("README.md") || name == QLatin1String("LICENSE"))
            continue;
        QFile f(vectors + '/' + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray file = vectorFile(f.readAll());
        if (file.isEmpty() || file.size() > kMaxVectorSize)
            continue;
        write("age", "vector_" + name, file);
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "no test vectors in %s\n", qPrintable(vectors));
        ++g_failures;
    }

    write(
        "age", "eb_package",
        encrypt(EncDecMsg::BuildPackage("Hi", {{"x.txt", "abc"}, {"y.bin", randomBytes(100, 2)}})));
    write("age", "eb_empty", encrypt(QByteArray()));
    write("age", "eb_one_byte", encrypt("x"));
    write("age", "eb_chunk_and_a_byte", encrypt(randomBytes(64 * 1024 + 1, 4)));
}

void packageSeeds() {
    using EncDecMsg::BuildPackage;
    write("package", "empty", BuildPackage({}, {}));
    write("package", "text", BuildPackage("Hello Bob,\r\n\r\nsee you\tsoon.\r\n", {}));
    write("package", "one_file", BuildPackage("Hi", {{"x.txt", "abc"}}));
    write("package", "three_files",
          BuildPackage("T", {{"a.bin", randomBytes(200, 5)}, {"b", "\t\t"}, {"c\xe9", "0\t"}}));
    write("package", "three_files_no_terminator",
          BuildPackage("T", {{"a", "x"}, {"b", "yy"}, {"c", "zzz"}}).chopped(1));
    write("package", "junk_after_three_files",
          BuildPackage("", {{"a", "x"}, {"b", "y"}, {"c", "z"}}) + "4\td\t1\tw\t");
    write("package", "no_tab", "garbage");
    write("package", "text_only_no_terminator", "2\tHi");
    write("package", "leading_zeros", "002\tHix.txt\t003\tabc\t");
    write("package", "empty_length_fields", "\tx.txt\t\t\t");
    write("package", "negative_length", "0\tf\t-3\tabc\t");
    write("package", "too_long", "0\tf\t10\tabc\t");
    write("package", "second_length_without_tab", "0\ta\t1\txb\t12");
    write("package", "huge_length", "0\ta\t1\txb\t2147483648\ty");
}

void parametersSeeds() {
    using ParametersFile::format;
    write("parameters", "as_written", format({"/home/ann/.local/share/Tessamail/tsm.dat", 1}));
    write("parameters", "windows_1252", format({"C:\\Daten\\J\u00fcrgen\\tsm.dat", 0}));
    write("parameters", "utf8_mark", format({QString::fromUtf8("/home/\u0434\u043c/tsm.dat"), 1}));
    write("parameters", "quotes_and_comma", format({"/tmp/a \"b\" c,d/tsm.dat", 0}));
    write("parameters", "lf_only", "\"/k/tsm.dat\"\n\"0\"\n");
    write("parameters", "comma_separated", "\"/k/tsm.dat\",\"1\"");
    write("parameters", "unquoted", "  /k/tsm.dat  \r\n 1 \r\n");
    write("parameters", "language_overflows", "\"p\"\r\n\"65537\"\r\n");
    write("parameters", "unclosed_quote", "\"/k/tsm.dat\r\n1\r\n");
    write("parameters", "one_line", "\"/k/tsm.dat\"\r\n");
}

void keylistSeeds() {
    using KeyListText::FormatKeyListText;
    const QString alice = QString::fromUtf8("alice@example.com \u00ab2024-03-01\u00bb "
                                            "Correct Horse Battery Staple 42");
    const QString juergen =
        QString::fromUtf8("J\u00fcrgen M\u00fcller \u00ab\u00bb Schl\u00fcssel f\u00fcr 2\u20ac!");
    write("keylist", "one_entry", FormatKeyListText({{alice, 2460371}}));
    write("keylist", "three_entries",
          FormatKeyListText({{alice, 2460371},
                             {juergen, 2451545},
                             {QString::fromUtf8("\u00ab\u00bb ABCDEFGHIJKLMNOP"), -1}}));
    QList<KeyListText::Entry> many;
    for (int i = 0; i < 300; ++i)
        many.append({QStringLiteral("user%1@example.org \u00ab2025-%2\u00bb key number %1 of many")
                         .arg(i)
                         .arg(i % 12 + 1),
                     2460000 + i});
    write("keylist", "three_hundred_entries", FormatKeyListText(many));
    write("keylist", "leading_zeros", "a \xab\xbb 0123456789abcdef\t002451545\t");
    write("keylist", "extreme_dates", "a\t-2147483648\tb\t2147483647\tc\t-0\t");
    write("keylist", "date_overflows", "a\t2147483648\t");
    write("keylist", "last_tab_missing", FormatKeyListText({{alice, 2460371}}).chopped(1));
    write("keylist", "empty_entry", FormatKeyListText({{alice, 2460371}}) + "\t5\t");
    write("keylist", "date_not_a_number", "a\t24e5\t");
    write("keylist", "control_bytes", QByteArray("a\r\nb\0c\t1\t", 9));
}

} // namespace

int main(int argc, char** argv) {
    g_root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("fuzz/corpus");
    const QString vectors =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("tests/data/age");
    QStringList targets;
    for (int i = 3; i < argc; ++i)
        targets << QString::fromLocal8Bit(argv[i]);
    const auto wanted = [&targets](const char* target) {
        return targets.isEmpty() || targets.contains(QLatin1String(target));
    };
    if (!Cipher::alb())
        return 1;
    Cipher::setWorkFactor(kWorkFactor);
    Cipher::oi(kPassphrase, 1, 0);
    if (wanted("armour"))
        armourSeeds();
    if (wanted("age"))
        ageSeeds(vectors);
    if (wanted("package"))
        packageSeeds();
    if (wanted("parameters"))
        parametersSeeds();
    if (wanted("keylist"))
        keylistSeeds();
    Cipher::dalb();
    return g_failures == 0 ? 0 : 1;
}
