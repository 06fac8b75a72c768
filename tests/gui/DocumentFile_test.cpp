// Document files: decoding and encoding, byte-exact round trips of legacy files, and saves
// that fail without touching the old file.
#include "files/DocumentFile.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "FileSizeLimit.h"
#include "SmallFileSystem.h"

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace vexmo {
namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// "計算" in Shift_JIS.
const QByteArray kShiftJisBytes = QByteArray("\x8C\x76\x8E\x5A");
const QString kShiftJisText = QStringLiteral("計算");

TEST(DocumentFileTest, DecodesLineBreaksAndEncodings) {
    struct Row {
        const char* name;
        QByteArray bytes;
        QString text;
        DocumentEncoding encoding;
    };
    const Row rows[] = {
        {"empty", "", "", DocumentEncoding::Utf8},
        {"crlf", "1+2 ==> 3 +_I 0 \r\nx=4\r\n", "1+2 ==> 3 +_I 0 \nx=4\n", DocumentEncoding::Utf8},
        {"lf and cr", "a\nb\rc\r\n", "a\nb\nc\n", DocumentEncoding::Utf8},
        {"lone cr pair", "a\r\rb", "a\n\nb", DocumentEncoding::Utf8},
        {"utf-8", "\xC2\xB5=1\r\n", QStringLiteral("µ=1\n"), DocumentEncoding::Utf8},
        {"bom", "\xEF\xBB\xBFx\r\n", "x\n", DocumentEncoding::Utf8Bom},
        {"windows-1252", "\x80 \xE9\xA0\r\n", QStringLiteral("€ é\u00A0\n"),
         DocumentEncoding::Windows1252},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DocumentText document = DecodeDocument(row.bytes);
        EXPECT_EQ(document.Text, row.text);
        EXPECT_EQ(document.Encoding, row.encoding);
    }
}

// Bytes that are not UTF-8 are read in the code page they look like, whatever the interface
// language: Japanese texts as Shift_JIS, Western texts (which often also fit Shift_JIS's byte
// ranges) as Windows-1252.
TEST(DocumentFileTest, LegacyEncodingFollowsTheBytes) {
    if (!ShiftJisAvailable()) {
        GTEST_SKIP() << "no Shift_JIS converter in this Qt build";
    }
    struct Row {
        const char* name;
        QString text;
        DocumentEncoding encoding;  // the file is this text in this encoding
    };
    const Row rows[] = {
        {"two kanji", kShiftJisText, DocumentEncoding::ShiftJis},
        {"one full stop", QStringLiteral("。"), DocumentEncoding::ShiftJis},
        {"kana", QStringLiteral("アイウ ひらがな"), DocumentEncoding::ShiftJis},
        {"calculated line with a comment",
         QStringLiteral("税込=1000*1.1 ==> 1100 +_I 0 ; 消費税を含む価格\n日本語"),
         DocumentEncoding::ShiftJis},
        {"common kanji only", QStringLiteral("日本"), DocumentEncoding::ShiftJis},
        {"French", QStringLiteral("Café crème ; à bientôt"), DocumentEncoding::Windows1252},
        {"French, no blank after the accent", QStringLiteral("été"), DocumentEncoding::Windows1252},
        {"façade", QStringLiteral("façade"), DocumentEncoding::Windows1252},
        {"German", QStringLiteral("Größe=12*3 ; über"), DocumentEncoding::Windows1252},
        {"Spanish", QStringLiteral("Señor Ñandú"), DocumentEncoding::Windows1252},
        {"typographic quotes and dashes", QStringLiteral("don’t “x” 1–2 — 5€"),
         DocumentEncoding::Windows1252},
        {"two accented letters", QStringLiteral("àé"), DocumentEncoding::Windows1252},
        {"capitals", QStringLiteral("ÉTÉ"), DocumentEncoding::Windows1252},
        {"French œ", QStringLiteral("x=1 ; cœur du calcul"), DocumentEncoding::Windows1252},
        {"French Œ", QStringLiteral("; Œuvre complète"), DocumentEncoding::Windows1252},
        {"Czech", QStringLiteral("; Škoda, Žižkov, šéf"), DocumentEncoding::Windows1252},
        {"German", QStringLiteral("; Größe über Maß"), DocumentEncoding::Windows1252},
        {"Spanish", QStringLiteral("; ¿Año? señal, niño"), DocumentEncoding::Windows1252},
        {"quotes and trade mark", QStringLiteral("; “Vexmo™” ‘quoted’ …"),
         DocumentEncoding::Windows1252},
        {"letters Shift_JIS leads as well", QStringLiteral("aŠb aŒb aŽb a™b ašb aœb ažb"),
         DocumentEncoding::Windows1252},
        {"hiragana comment", QStringLiteral("V=5 ; 電圧の計算"), DocumentEncoding::ShiftJis},
        {"katakana", QStringLiteral("; カウント"), DocumentEncoding::ShiftJis},
        {"kanji only", QStringLiteral("R=10K ; 抵抗"), DocumentEncoding::ShiftJis},
        {"Japanese punctuation", QStringLiteral("「注意」"), DocumentEncoding::ShiftJis},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DocumentEncoding encoding = row.encoding;
        const QByteArray bytes = EncodeDocument(row.text, encoding);
        ASSERT_EQ(encoding, row.encoding) << "the text does not fit its code page";
        const DocumentText document = DecodeDocument(bytes);
        EXPECT_EQ(document.Encoding, row.encoding);
        EXPECT_EQ(document.Text, row.text);
        EXPECT_TRUE(document.Guessed);
        DocumentEncoding again = document.Encoding;
        EXPECT_EQ(EncodeDocument(document.Text, again), bytes) << "saved back byte for byte";
        EXPECT_EQ(again, row.encoding);
    }
    // Bytes that are not clean Shift_JIS keep every byte through Windows-1252.
    EXPECT_EQ(DecodeDocument(QByteArray("\x81\x20\xFF")).Encoding, DocumentEncoding::Windows1252);
}

TEST(DocumentFileTest, EncodesWithCrLfAndFallsBackToUtf8WhenTheCodePageLacksACharacter) {
    struct Row {
        const char* name;
        QString text;
        DocumentEncoding encoding;
        QByteArray bytes;
        DocumentEncoding written;
    };
    const Row rows[] = {
        {"utf-8", QStringLiteral("a\nµ"), DocumentEncoding::Utf8, "a\r\n\xC2\xB5",
         DocumentEncoding::Utf8},
        {"bom kept", "x\n", DocumentEncoding::Utf8Bom, "\xEF\xBB\xBFx\r\n",
         DocumentEncoding::Utf8Bom},
        {"windows-1252", QStringLiteral("€\n"), DocumentEncoding::Windows1252, "\x80\r\n",
         DocumentEncoding::Windows1252},
        {"character outside windows-1252", QStringLiteral("€ Ω"), DocumentEncoding::Windows1252,
         "\xE2\x82\xAC \xCE\xA9", DocumentEncoding::Utf8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DocumentEncoding encoding = row.encoding;
        EXPECT_EQ(EncodeDocument(row.text, encoding), row.bytes);
        EXPECT_EQ(encoding, row.written);
    }
}

TEST(DocumentFileTest, LegacyFilesComeBackByteForByte) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QByteArray every1252;
    for (int b = 0x20; b <= 0xFF; ++b) {
        every1252 += static_cast<char>(b);
        if (b % 16 == 15)
            every1252 += "\r\n";
    }
    struct Row {
        const char* name;
        QByteArray bytes;
    };
    std::vector<Row> rows = {
        {"windows-1252, every byte", every1252},
        {"not clean shift_jis", QByteArray("\xFF\xFE\x81\r\n")},
        {"utf-8 with bom", QByteArray("\xEF\xBB\xBF" "1 ==> 1 +_I 0 \r\n")},
    };
    if (ShiftJisAvailable())
        rows.push_back({"shift_jis", kShiftJisBytes + " ==> 1 +_I 0 \r\n"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QStringLiteral("legacy.vxm"));
        WriteBytes(path, row.bytes);
        const DocumentReadResult read = ReadDocumentFile(path);
        ASSERT_TRUE(read.Ok) << read.ErrorMessage.toStdString();
        const DocumentWriteResult written =
            WriteDocumentFile(path, read.Document.Text, read.Document.Encoding);
        ASSERT_TRUE(written.Ok) << written.ErrorMessage.toStdString();
        EXPECT_EQ(written.Encoding, read.Document.Encoding);
        EXPECT_EQ(ReadBytes(path), row.bytes);
    }
}

TEST(DocumentFileTest, ReadFailuresNameTheFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString fifo = folder.filePath(QStringLiteral("pipe.vxm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString nul = folder.filePath(QStringLiteral("nul.vxm"));
    WriteBytes(nul, QByteArray("1+2\r\n\0\r\n", 8));
    struct Row {
        const char* name;
        QString path;
        const char* reason;
    };
    const Row rows[] = {
        {"missing", folder.filePath(QStringLiteral("nothing.vxm")), "No such file"},
        {"folder", folder.path(), "not a regular file"},
        {"device", QStringLiteral("/dev/zero"), "not a regular file"},
        {"pipe without a writer", fifo, "not a regular file"},
        {"NUL bytes", nul, "contains NUL bytes; not a text document"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DocumentReadResult read = ReadDocumentFile(row.path);
        EXPECT_FALSE(read.Ok);
        EXPECT_TRUE(read.ErrorMessage.contains(row.path)) << read.ErrorMessage.toStdString();
        EXPECT_TRUE(read.ErrorMessage.contains(QLatin1String(row.reason), Qt::CaseInsensitive))
            << read.ErrorMessage.toStdString();
    }
}

TEST(DocumentFileTest, PlainTextKeepsNoBreakSpacesAndTheLastLineBreak) {
    QPlainTextEdit pane;
    const QString text = QStringLiteral("a\u00A0b\n\nc\n");
    pane.setPlainText(text);
    EXPECT_EQ(DocumentPlainText(*pane.document()), text);
}

// On a real small file system (root only) and, for everyone, under a file size limit.
TEST(DocumentFileTest, AFailedSaveKeepsTheOldFile) {
    const QByteArray old = "1+1 ==> 2 +_I 0 \r\n";
    const QString big = QString(200 * 1024, QLatin1Char('7'));
    struct Row {
        const char* name;
        bool readOnly;
        bool mounted;
    };
    const Row rows[] = {{"read-only folder", true, true},
                        {"full file system", false, true},
                        {"file size limit", false, false}};
    bool skipped = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        std::optional<test::SmallFileSystem> fs;
        if (row.mounted) {
            fs.emplace(folder.path().toStdString());
            if (!fs->Mounted()) {
                skipped = true; // mounting needs root
                continue;
            }
        }
        const QString path = folder.filePath(QStringLiteral("calc.vxm"));
        WriteBytes(path, old);
        if (row.readOnly) {
            ASSERT_TRUE(fs->MakeReadOnly());
        }
        DocumentWriteResult written;
        {
            std::optional<vexmo::test::FileSizeLimit> limit;
            if (!row.mounted) limit.emplace(old.size());
            written = WriteDocumentFile(path, row.readOnly ? QStringLiteral("2+2") : big,
                                        DocumentEncoding::Utf8);
        }
        EXPECT_FALSE(written.Ok);
        EXPECT_TRUE(written.ErrorMessage.contains(path)) << written.ErrorMessage.toStdString();
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("calc.vxm")});
    }
    if (skipped) GTEST_SKIP() << "mounting a small file system needs root";
}

}  // namespace
}  // namespace vexmo
