#pragma once
// Document files: plain text, one editor line per file line, CR LF between lines. New files are
// UTF-8; a file that is not valid UTF-8 is read in the legacy code page its bytes suggest
// (Shift_JIS or Windows-1252, whatever the interface language) and written back in it, so
// such a file never loses a character. Saves are atomic: a failed save leaves the old file as
// it was. Only regular files are read or replaced, and a file with NUL bytes is refused.

#include <QByteArray>
#include <QString>

#include <optional>

class QTextDocument;

namespace vexmo {

enum class DocumentEncoding {
    Utf8,
    Utf8Bom,  // UTF-8 that came with a byte-order mark; written back with it
    Windows1252,
    ShiftJis,
};

// Whether this Qt build can convert Shift_JIS text.
bool ShiftJisAvailable();
// The name of an encoding as the user knows it ("UTF-8", "Shift_JIS", "Windows-1252").
QString EncodingName(DocumentEncoding encoding);

struct DocumentText {
    QString Text;  // lines separated by '\n'
    DocumentEncoding Encoding = DocumentEncoding::Utf8;
    // The file was not UTF-8 and its code page was chosen from its bytes: a guess the user
    // can correct with Reopen with encoding.
    bool Guessed = false;
};

// The text of a file's bytes. CR LF, LF and CR all end a line. Bytes that are not UTF-8 are
// read as Shift_JIS when they look like Japanese and decode cleanly and give the same bytes
// back when written again, otherwise as Windows-1252, which keeps every byte.
DocumentText DecodeDocument(const QByteArray& bytes);

// The text of a file's bytes read in `encoding` as the user chose it; false when the bytes
// are not that encoding or would not come back byte for byte when written again.
bool DecodeDocumentAs(const QByteArray& bytes, DocumentEncoding encoding, DocumentText& document);

// The bytes of a text in `encoding`, lines ended by CR LF. When the legacy code page cannot
// hold every character, the text is written as UTF-8 instead and `encoding` says so.
QByteArray EncodeDocument(const QString& text, DocumentEncoding& encoding);

struct DocumentReadResult {
    bool Ok = false;
    DocumentText Document;
    QString ErrorMessage;  // names the file and the reason
    bool NotInEncoding = false;  // read, but its bytes are not the encoding asked for
};

// Reads a regular file; devices, folders and pipes are refused rather than read forever, and
// so are a file with NUL bytes and one beyond the size limit. Without `encoding` the
// encoding follows the bytes; with one the file must be in it.
DocumentReadResult ReadDocumentFile(const QString& path,
                                    std::optional<DocumentEncoding> encoding = std::nullopt);

struct DocumentWriteResult {
    bool Ok = false;
    DocumentEncoding Encoding = DocumentEncoding::Utf8;  // the encoding actually written
    QString ErrorMessage;
};

// Replaces the file atomically; on failure the old file keeps every byte. A target that is
// not a regular file is refused. `Encoding` of the result differs from `encoding` when the
// text needed UTF-8.
DocumentWriteResult WriteDocumentFile(const QString& path, const QString& text,
                                      DocumentEncoding encoding);

// File names are bytes on Linux, not always UTF-8. A path made by PathFromNativeBytes keeps
// every byte of such a name, each byte that is not part of valid UTF-8 as one character of
// U+DC80 to U+DCFF (half a surrogate pair, which no real text holds), and NativeBytesOfPath
// gives the same bytes back; Qt's own conversion would replace such bytes for good.
QString PathFromNativeBytes(const QByteArray& bytes);
QByteArray NativeBytesOfPath(const QString& path);
// The path as it can be shown, each byte that is not UTF-8 as the replacement character.
QString DisplayPath(const QString& path);

// The editor's whole text with '\n' between lines. Unlike toPlainText() it keeps no-break
// spaces as they are.
QString DocumentPlainText(const QTextDocument& document);

}  // namespace vexmo
