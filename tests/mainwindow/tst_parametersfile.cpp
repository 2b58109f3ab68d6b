// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/parametersfile.h"

#include <QtTest>

using ParametersFile::Parameters;

Q_DECLARE_METATYPE(std::optional<Parameters>)

namespace {
std::optional<Parameters> params(const QString& path, int language) {
    return Parameters{path, language};
}
} // namespace

class TestParametersFile : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<std::optional<Parameters>>("expected");
        const std::optional<Parameters> none;

        QTest::newRow("as written")
            << QByteArray("\"C:\\Data\\tsm.dat\"\r\n\"1\"\r\n") << params("C:\\Data\\tsm.dat", 1);
        QTest::newRow("LF line breaks")
            << QByteArray("\"/k/tsm.dat\"\n\"0\"\n") << params("/k/tsm.dat", 0);
        QTest::newRow("comma separated")
            << QByteArray("\"/k/tsm.dat\",\"1\"") << params("/k/tsm.dat", 1);
        QTest::newRow("unquoted fields")
            << QByteArray("  /k/tsm.dat  \r\n 1 \r\n") << params("/k/tsm.dat", 1);
        QTest::newRow("comma inside quotes")
            << QByteArray("\"/a,b/tsm.dat\"\r\n\"1\"\r\n") << params("/a,b/tsm.dat", 1);
        QTest::newRow("quote inside quotes")
            << QByteArray("\"/a\"b/tsm.dat\"\r\n\"1\"\r\n") << params("/a\"b/tsm.dat", 1);
        QTest::newRow("as written, quote and comma in the path")
            << QByteArray("\"/a\", b/tsm.dat\"\r\n\"1\"\r\n") << params("/a\", b/tsm.dat", 1);
        QTest::newRow("Windows-1252 path") << QByteArray("\"/home/j\xFCrgen/tsm.dat\"\r\n\"0\"\r\n")
                                           << params(QString::fromUtf8("/home/jürgen/tsm.dat"), 0);
        QTest::newRow("three quoted lines")
            << QByteArray("\"/k/tsm.dat\"\r\n\"1\"\r\n\"0\"\r\n") << params("/k/tsm.dat", 1);
        QTest::newRow("three quoted lines, no last line break")
            << QByteArray("\"/k/tsm.dat\"\r\n\"1\"\r\n\"0\"") << params("/k/tsm.dat", 1);
        QTest::newRow("UTF-8 behind its mark")
            << QByteArray("\xEF\xBB\xBF\"/home/\xD0\xB8\xD1\x80/tsm.dat\"\r\n\"1\"\r\n")
            << params(QString::fromUtf8("/home/ир/tsm.dat"), 1);

        // The language: German only for 1.
        QTest::newRow("language 2") << QByteArray("\"p\"\r\n\"2\"\r\n") << params("p", 0);
        QTest::newRow("language -1") << QByteArray("\"p\"\r\n\"-1\"\r\n") << params("p", 0);
        QTest::newRow("language text") << QByteArray("\"p\"\r\n\"abc\"\r\n") << params("p", 0);
        QTest::newRow("language empty") << QByteArray("\"p\"\r\n\"\"\r\n") << params("p", 0);
        QTest::newRow("leading digits") << QByteArray("\"p\"\r\n\"1x\"\r\n") << params("p", 1);
        QTest::newRow("language overflows")
            << QByteArray("\"p\"\r\n\"65537\"\r\n") << params("p", 0);

        // Not a parameters file: the caller falls back to its defaults for both values.
        QTest::newRow("empty file") << QByteArray() << none;
        QTest::newRow("one line") << QByteArray("\"/k/tsm.dat\"\r\n") << none;
        QTest::newRow("empty path") << QByteArray("\"\"\r\n\"1\"\r\n") << none;
        QTest::newRow("unclosed quote") << QByteArray("\"/k/tsm.dat\r\n1\r\n") << none;
        QTest::newRow("too large")
            << QByteArray("\"p\"\r\n\"1\"\r\n") + QByteArray(ParametersFile::kMaxFileSize, ' ')
            << none;
    }
    void parse() {
        QFETCH(QByteArray, contents);
        QTEST(ParametersFile::parse(contents), "expected");
    }

    void formatWritesTwoQuotedLines() {
        QCOMPARE(ParametersFile::format({"C:\\Data\\tsm.dat", 1}),
                 QByteArray("\"C:\\Data\\tsm.dat\"\r\n\"1\"\r\n"));
        QCOMPARE(ParametersFile::format({QString::fromUtf8("/home/jürgen/tsm.dat"), 0}),
                 QByteArray("\"/home/j\xFCrgen/tsm.dat\"\r\n\"0\"\r\n"));
    }

    void formatThenParseGivesBackThePath_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/home/ann/.local/share/Tessamail/tsm.dat";
        QTest::newRow("umlaut") << QString::fromUtf8("/home/jürgen/Schlüssel/tsm.dat");
        QTest::newRow("cyrillic") << QString::fromUtf8("/home/дмитрий/tsm.dat");
        QTest::newRow("quotes and comma") << "/tmp/a \"b\" c,d/tsm.dat";
        // A quote followed by a comma or a line break would end a field.
        QTest::newRow("quote before a comma") << "/home/ann/My \"Keys\", 2024/tsm.dat";
        QTest::newRow("quote before a line break") << "/tmp/a\"\r\nb/tsm.dat";
    }
    void formatThenParseGivesBackThePath() {
        QFETCH(QString, path);
        for (int language : {0, 1})
            QCOMPARE(ParametersFile::parse(ParametersFile::format({path, language})),
                     params(path, language));
    }
};

QTEST_MAIN(TestParametersFile)
#include "tst_parametersfile.moc"
