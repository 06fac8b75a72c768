#pragma once
// TVersionInf: reads the string entries of a file's version block (see VersionBlock.h) and
// writes them into the labels or single-line edit boxes assigned to it.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace vexmo {

// The file's version block could not be read.
class EVersionInfIoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A translation index not below the translation count.
class EVersionInfRangeError : public std::out_of_range {
  public:
    using std::out_of_range::out_of_range;
};

class TVersionInf : public QObject {
    Q_OBJECT

  public:
    explicit TVersionInf(QObject* owner = nullptr);

    QString FileName() const { return fileName_; }
    // Forgets what was read from the previous file; UseExeName becomes false.
    void SetFileName(const QString& fileName);

    bool UseExeName() const { return useExeName_; }
    // Either value points the component at the program's own executable file.
    void SetUseExeName(bool value);

    unsigned TranslationIndex() const { return translationIndex_; }
    void SetTranslationIndex(unsigned index) { translationIndex_ = index; }

    // Reads the file's version block and its translation table afresh.
    void Read();
    bool HasVersionInfo();
    int TranslationCount();

    // Throws EVersionInfIoError when the file has no readable version block and
    // EVersionInfRangeError when `index` is not below the translation count.
    QString ExtractString(unsigned index, const QString& keyName);

    QString CompanyName() { return ExtractString(translationIndex_, QStringLiteral("CompanyName")); }
    QString FileDescription() { return ExtractString(translationIndex_, QStringLiteral("FileDescription")); }
    QString FileVersion() { return ExtractString(translationIndex_, QStringLiteral("FileVersion")); }
    QString InternalName() { return ExtractString(translationIndex_, QStringLiteral("InternalName")); }
    QString LegalCopyright() { return ExtractString(translationIndex_, QStringLiteral("LegalCopyright")); }
    QString OriginalFilename() { return ExtractString(translationIndex_, QStringLiteral("OriginalFilename")); }
    QString ProductName() { return ExtractString(translationIndex_, QStringLiteral("ProductName")); }
    QString ProductVersion() { return ExtractString(translationIndex_, QStringLiteral("ProductVersion")); }

    // Display controls: a QLabel or a QLineEdit each, or none.
    QPointer<QWidget> DispCompanyName;
    QPointer<QWidget> DispFileDescription;
    QPointer<QWidget> DispFileVersion;
    QPointer<QWidget> DispInternalName;
    QPointer<QWidget> DispLegalCopyright;
    QPointer<QWidget> DispOriginalFilename;
    QPointer<QWidget> DispProductName;
    QPointer<QWidget> DispProductVersion;

    // Writes every getter's text into its display control, or empties them all when the file
    // has no version block.
    void Display();

    // The path of the running program's executable file.
    static QString ExecutablePath();

  private:
    void Forget();

    QString fileName_;
    bool useExeName_ = false;
    unsigned translationIndex_ = 0;
    std::vector<unsigned char> data_;
    bool hasRootBlock_ = false;
    std::vector<std::uint32_t> translations_;
};

}  // namespace vexmo
