// TVersionInf: the version block of a file, read lazily and shown in assigned controls.

#include "shell/VersionInf.h"

#include "shell/VersionBlock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <system_error>

namespace vexmo {

TVersionInf::TVersionInf(QObject* owner) : QObject(owner) {}

void TVersionInf::Forget() {
    data_.clear();
    translations_.clear();
    hasRootBlock_ = false;
}

void TVersionInf::SetFileName(const QString& fileName) {
    fileName_ = fileName;
    Forget();
    useExeName_ = false;
    translationIndex_ = 0;
}

void TVersionInf::SetUseExeName(bool value) {
    fileName_ = ExecutablePath();
    // What was read from another file must not be shown as the program's own.
    Forget();
    useExeName_ = value;
    translationIndex_ = 0;
}

QString TVersionInf::ExecutablePath() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QString::fromStdString(path.string());
}

void TVersionInf::Read() {
    Forget();
    const QFileInfo file(fileName_);
    if (fileName_.isEmpty() || !file.exists() || !file.isFile()) return;
    auto block = ReadVersionBlockFromFile(QFile::encodeName(fileName_).toStdString());
    if (!block || block->empty()) return;
    data_ = std::move(*block);
    hasRootBlock_ = QueryVersionValue(data_, "").has_value();
    if (const auto table = QueryVersionValue(data_, "\\VarFileInfo\\Translation")) {
        for (std::size_t i = 0; i + 4 <= table->size(); i += 4) {
            std::uint32_t entry = 0;
            for (std::size_t b = 0; b < 4; ++b)
                entry |= static_cast<std::uint32_t>(static_cast<unsigned char>((*table)[i + b])) << (8 * b);
            translations_.push_back(entry);
        }
    }
}

bool TVersionInf::HasVersionInfo() {
    if (!hasRootBlock_) Read();
    return hasRootBlock_;
}

int TVersionInf::TranslationCount() {
    if (translations_.empty()) Read();
    return static_cast<int>(translations_.size());
}

QString TVersionInf::ExtractString(unsigned index, const QString& keyName) {
    if (!hasRootBlock_) Read();
    if (!hasRootBlock_)
        throw EVersionInfIoError("TVersionInf.ExtractString: Cannot read a file version information");
    if (index >= static_cast<unsigned>(TranslationCount()))
        throw EVersionInfRangeError("TVersionInf.ExtractString: Index is out of range");
    const std::uint32_t entry = translations_[index];
    const QString block = QStringLiteral("%1%2")
                              .arg(entry & 0xFFFFu, 4, 16, QLatin1Char('0'))
                              .arg(entry >> 16, 4, 16, QLatin1Char('0'))
                              .toUpper();
    const std::string path = (QStringLiteral("\\StringFileInfo\\") + block + QLatin1Char('\\') + keyName).toStdString();
    const auto value = QueryVersionValue(data_, path);
    return value ? QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size())) : QString();
}

namespace {

void SetDisplayText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
}

}  // namespace

void TVersionInf::Display() {
    struct Row {
        QPointer<QWidget>& Control;
        QString (TVersionInf::*Getter)();
    };
    const Row rows[] = {
        {DispCompanyName, &TVersionInf::CompanyName},
        {DispFileDescription, &TVersionInf::FileDescription},
        {DispFileVersion, &TVersionInf::FileVersion},
        {DispInternalName, &TVersionInf::InternalName},
        {DispLegalCopyright, &TVersionInf::LegalCopyright},
        {DispOriginalFilename, &TVersionInf::OriginalFilename},
        {DispProductName, &TVersionInf::ProductName},
        {DispProductVersion, &TVersionInf::ProductVersion},
    };
    const bool has = HasVersionInfo();
    for (const Row& row : rows) {
        if (!row.Control) continue;
        SetDisplayText(row.Control, has ? (this->*row.Getter)() : QString());
    }
}

}  // namespace vexmo
