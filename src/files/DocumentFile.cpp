#include "files/DocumentFile.h"

#include "document/core/FileIo.h"
#include "document/core/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextDocument>

#include <string>
#include <string_view>

namespace vexmo {

namespace {

constexpr char kShiftJisName[] = "Shift_JIS";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view ViewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromWindows1252(std::string_view bytes) {
    return QString::fromStdString(DecodeWindows1252(bytes));
}

// Decodes Shift_JIS; false when the bytes are not clean Shift_JIS or would not come back
// byte for byte, so the caller can keep every byte with Windows-1252 instead.
bool FromShiftJis(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(kShiftJisName);
    if (!decoder.isValid())
        return false;
    text = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    QStringEncoder encoder(kShiftJisName);
    const QByteArray back = encoder.encode(text);
    return !encoder.hasError() && back == bytes;
}

QString NormaliseLineEnds(QString text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString NativePath(const QString& path) { return QDir::toNativeSeparators(DisplayPath(path)); }

constexpr char16_t kEscapedByteBase = 0xDC00;

bool IsEscapedByte(const QString& path, qsizetype i) {
    const char16_t c = path[i].unicode();
    const bool afterHigh = i > 0 && QChar::isHighSurrogate(path[i - 1].unicode());
    return c >= 0xDC80 && c <= 0xDCFF && !afterHigh;
}

QString OpenError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(NativePath(path), reason);
}

QString CreateError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(NativePath(path), reason);
}

// The reason of a file failure as a sentence.
QString Sentence(const std::string& reason) {
    QString text = QString::fromStdString(reason);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text + QLatin1Char('.');
}

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(NativeBytesOfPath(path).toStdString());
}

}  // namespace

bool ShiftJisAvailable() { return QStringDecoder(kShiftJisName).isValid(); }

QString EncodingName(DocumentEncoding encoding) {
    switch (encoding) {
    case DocumentEncoding::ShiftJis:
        return QStringLiteral("Shift_JIS");
    case DocumentEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case DocumentEncoding::Utf8:
    case DocumentEncoding::Utf8Bom:
        break;
    }
    return QStringLiteral("UTF-8");
}

DocumentText DecodeDocument(const QByteArray& bytes) {
    // UTF-8 when every byte sequence is; else Shift_JIS on real evidence; else Windows-1252,
    // which has a character for every byte.
    DocumentText document;
    if (DecodeDocumentAs(bytes, DocumentEncoding::Utf8, document))
        return document;
    if (!LooksLikeShiftJis(ViewOf(bytes)) ||
        !DecodeDocumentAs(bytes, DocumentEncoding::ShiftJis, document))
        DecodeDocumentAs(bytes, DocumentEncoding::Windows1252, document);
    document.Guessed = true;
    return document;
}

bool DecodeDocumentAs(const QByteArray& bytes, DocumentEncoding encoding, DocumentText& document) {
    std::string_view view = ViewOf(bytes);
    DocumentText read;
    read.Encoding = encoding;
    switch (encoding) {
    case DocumentEncoding::Utf8:
    case DocumentEncoding::Utf8Bom:
        if (!IsValidUtf8(view))
            return false;
        read.Encoding = DocumentEncoding::Utf8;
        if (view.starts_with(kUtf8Bom)) {
            view.remove_prefix(kUtf8Bom.size());
            read.Encoding = DocumentEncoding::Utf8Bom;
        }
        read.Text = QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
        break;
    case DocumentEncoding::ShiftJis:
        if (!FromShiftJis(bytes, read.Text))
            return false;
        break;
    case DocumentEncoding::Windows1252:
        read.Text = FromWindows1252(view);  // every byte has a character
        break;
    }
    read.Text = NormaliseLineEnds(std::move(read.Text));
    document = std::move(read);
    return true;
}

QByteArray EncodeDocument(const QString& text, DocumentEncoding& encoding) {
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));

    if (encoding == DocumentEncoding::Windows1252) {
        const QByteArray utf8 = lines.toUtf8();
        const std::string legacy = EncodeWindows1252(ViewOf(utf8));
        if (FromWindows1252(legacy) == lines)
            return QByteArray::fromStdString(legacy);
        encoding = DocumentEncoding::Utf8;  // a character the code page lacks
    } else if (encoding == DocumentEncoding::ShiftJis) {
        QStringEncoder encoder(kShiftJisName);
        if (encoder.isValid()) {
            const QByteArray legacy = encoder.encode(lines);
            QStringDecoder decoder(kShiftJisName);
            const QString back = decoder.decode(legacy);
            if (!encoder.hasError() && !decoder.hasError() && back == lines)
                return legacy;
        }
        encoding = DocumentEncoding::Utf8;
    }

    QByteArray bytes = lines.toUtf8();
    if (encoding == DocumentEncoding::Utf8Bom)
        bytes.prepend(kUtf8Bom.data(), static_cast<qsizetype>(kUtf8Bom.size()));
    return bytes;
}

DocumentReadResult ReadDocumentFile(const QString& path, std::optional<DocumentEncoding> encoding) {
    DocumentReadResult result;
    FileContent content = ReadWholeFile(FsPath(path), kTextFileRules);
    if (!content) {
        result.ErrorMessage = OpenError(path, Sentence(content.Reason));
        return result;
    }
    const QByteArray bytes = QByteArray::fromStdString(content.Bytes);
    if (!encoding) {
        result.Document = DecodeDocument(bytes);
    } else if (!DecodeDocumentAs(bytes, *encoding, result.Document)) {
        result.NotInEncoding = true;
        result.ErrorMessage =
            OpenError(path, QStringLiteral("Its bytes are not %1.").arg(EncodingName(*encoding)));
        return result;
    }
    result.Ok = true;
    return result;
}

DocumentWriteResult WriteDocumentFile(const QString& path, const QString& text,
                                      DocumentEncoding encoding) {
    DocumentWriteResult result;
    result.Encoding = encoding;
    const QByteArray bytes = EncodeDocument(text, result.Encoding);
    const FileResult written = WriteFileAtomically(
        FsPath(path), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!written) {
        result.ErrorMessage = CreateError(path, Sentence(written.Reason));
        return result;
    }
    result.Ok = true;
    return result;
}

QString PathFromNativeBytes(const QByteArray& bytes) {
    const std::string_view view = ViewOf(bytes);
    if (IsValidUtf8(view))
        return QString::fromUtf8(bytes);
    QString path;
    for (std::size_t i = 0; i < view.size();) {
        const auto lead = static_cast<unsigned char>(view[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length > 0 && i + length <= view.size() && IsValidUtf8(view.substr(i, length))) {
            path += QString::fromUtf8(view.data() + i, static_cast<qsizetype>(length));
            i += length;
        } else {
            path += QChar(static_cast<char16_t>(kEscapedByteBase + lead));
            ++i;
        }
    }
    return path;
}

QByteArray NativeBytesOfPath(const QString& path) {
    QByteArray bytes;
    qsizetype run = 0;  // start of the characters not yet converted
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!IsEscapedByte(path, i))
            continue;
        bytes += QStringView(path).mid(run, i - run).toUtf8();
        bytes += static_cast<char>(path[i].unicode() - kEscapedByteBase);
        run = i + 1;
    }
    bytes += QStringView(path).mid(run).toUtf8();
    return bytes;
}

QString DisplayPath(const QString& path) {
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (IsEscapedByte(path, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

QString DocumentPlainText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace vexmo
