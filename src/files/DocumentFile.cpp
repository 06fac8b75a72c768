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

QString NativePath(const QString& path) { return QDir::toNativeSeparators(path); }

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
    return std::filesystem::path(QFile::encodeName(path).toStdString());
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
    DocumentText document;
    std::string_view view = ViewOf(bytes);
    if (IsValidUtf8(view)) {
        document.Encoding = DocumentEncoding::Utf8;
        if (view.starts_with(kUtf8Bom)) {
            view.remove_prefix(kUtf8Bom.size());
            document.Encoding = DocumentEncoding::Utf8Bom;
        }
        document.Text = QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    } else if (LooksLikeShiftJis(view) && FromShiftJis(bytes, document.Text)) {
        document.Encoding = DocumentEncoding::ShiftJis;
    } else {
        document.Encoding = DocumentEncoding::Windows1252;
        document.Text = FromWindows1252(view);
    }
    document.Text = NormaliseLineEnds(std::move(document.Text));
    return document;
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

DocumentReadResult ReadDocumentFile(const QString& path) {
    DocumentReadResult result;
    FileContent content = ReadWholeFile(FsPath(path), kTextFileRules);
    if (!content) {
        result.ErrorMessage = OpenError(path, Sentence(content.Reason));
        return result;
    }
    result.Document = DecodeDocument(QByteArray::fromStdString(content.Bytes));
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

QString DocumentPlainText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace vexmo
