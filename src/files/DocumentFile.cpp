#include "files/DocumentFile.h"

#include "document/core/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

}  // namespace

bool ShiftJisAvailable() { return QStringDecoder(kShiftJisName).isValid(); }

DocumentEncoding LegacyEncoding(int language) {
    if (language != 1 && ShiftJisAvailable())
        return DocumentEncoding::ShiftJis;
    return DocumentEncoding::Windows1252;
}

DocumentText DecodeDocument(const QByteArray& bytes, int language) {
    DocumentText document;
    std::string_view view = ViewOf(bytes);
    if (IsValidUtf8(view)) {
        document.Encoding = DocumentEncoding::Utf8;
        if (view.starts_with(kUtf8Bom)) {
            view.remove_prefix(kUtf8Bom.size());
            document.Encoding = DocumentEncoding::Utf8Bom;
        }
        document.Text = QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    } else if (LegacyEncoding(language) == DocumentEncoding::ShiftJis &&
               FromShiftJis(bytes, document.Text)) {
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

DocumentReadResult ReadDocumentFile(const QString& path, int language) {
    DocumentReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.ErrorMessage = OpenError(path, QStringLiteral("No such file or directory"));
        return result;
    }
    if (!info.isFile()) {
        result.ErrorMessage = OpenError(path, QStringLiteral("It is not a regular file"));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.ErrorMessage = OpenError(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.ErrorMessage = OpenError(path, file.errorString());
        return result;
    }
    result.Document = DecodeDocument(bytes, language);
    result.Ok = true;
    return result;
}

DocumentWriteResult WriteDocumentFile(const QString& path, const QString& text,
                                      DocumentEncoding encoding) {
    DocumentWriteResult result;
    result.Encoding = encoding;
    const QByteArray bytes = EncodeDocument(text, result.Encoding);

    QSaveFile file(path);
    // Never fall back to writing over the old file in place: that is what loses it.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        result.ErrorMessage = CreateError(path, file.errorString());
        return result;
    }
    if (file.write(bytes) != bytes.size()) {
        result.ErrorMessage = CreateError(path, file.errorString());
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.ErrorMessage = CreateError(path, file.errorString());
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
