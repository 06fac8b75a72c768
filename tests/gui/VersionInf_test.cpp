// TVersionInf against the built desktop program, files without a version block, and hand-made
// ELF files with damaged or partial blocks.

#include "shell/VersionBlock.h"
#include "shell/VersionInf.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace vexmo;

namespace {

const QString kProgram = QStringLiteral(VEXMO_PROGRAM_PATH);

using Bytes = std::vector<unsigned char>;

void Put(Bytes& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A minimal 64-bit little-endian ELF file: sections "" , ".shstrtab" and `sectionName`.
Bytes MakeElf(const Bytes& section, const std::string& sectionName = ".vexmo_version") {
    const std::string names = std::string("\0.shstrtab\0", 11) + sectionName + '\0';
    const std::size_t namesAt = 64;
    const std::size_t dataAt = namesAt + names.size();
    const std::size_t headersAt = dataAt + section.size();
    Bytes file(headersAt + 3 * 64);
    const unsigned char ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
    std::copy(std::begin(ident), std::end(ident), file.begin());
    std::copy(names.begin(), names.end(), file.begin() + namesAt);
    std::copy(section.begin(), section.end(), file.begin() + dataAt);
    Put(file, 0x28, headersAt, 8);
    Put(file, 0x3A, 64, 2);
    Put(file, 0x3C, 3, 2);
    Put(file, 0x3E, 1, 2);
    auto header = [&](int index, std::uint32_t name, std::size_t offset, std::size_t size) {
        const std::size_t at = headersAt + 64 * index;
        Put(file, at, name, 4);
        Put(file, at + 4, index == 1 ? 3 : 1, 4);  // string table, program data
        Put(file, at + 24, offset, 8);
        Put(file, at + 32, size, 8);
    };
    header(1, 1, namesAt, names.size());
    header(2, 11, dataAt, section.size());
    return file;
}

template <std::size_t N>
Bytes MakeBlock(const std::array<VersionBlockEntry, N>& entries) {
    std::size_t size = VersionBlockSize(entries.data(), entries.size());
    Bytes block(size);
    std::size_t at = 0;
    auto text = [&](std::string_view s) {
        std::memcpy(block.data() + at, s.data(), s.size());
        at += s.size();
    };
    text(kVersionBlockMagic);
    Put(block, at, size - 12, 4), at += 4;
    for (const auto& e : entries) {
        Put(block, at, e.Path.size(), 2), at += 2;
        text(e.Path);
        Put(block, at, e.Value.size(), 4), at += 4;
        text(e.Value);
    }
    return block;
}

const Bytes kOneTranslation = MakeBlock(std::array<VersionBlockEntry, 3>{{
    {"\\VarFileInfo\\Translation", std::string_view("\x11\x04\xB0\x04", 4)},
    {"\\StringFileInfo\\041104B0\\CompanyName", "有限会社ドルフ"},
    {"\\StringFileInfo\\041104B0\\FileVersion", "2.5"},
}});

const Bytes kNoTranslationTable = MakeBlock(std::array<VersionBlockEntry, 1>{{
    {"\\StringFileInfo\\040904B0\\CompanyName", "Dorv"},
}});

class VersionInfFiles : public ::testing::Test {
  protected:
    QString Write(const QString& name, const Bytes& bytes) {
        const QString path = dir_.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST(VersionInf, ReadsTheBuiltProgram) {
    TVersionInf info;
    info.SetFileName(kProgram);
    ASSERT_TRUE(info.HasVersionInfo());
    EXPECT_EQ(info.TranslationCount(), 2);

    EXPECT_EQ(info.FileVersion(), QStringLiteral(VEXMO_VERSION));
    EXPECT_EQ(info.ProductVersion(), QStringLiteral(VEXMO_VERSION));
    EXPECT_EQ(info.ProductName(), QStringLiteral("Vexmo"));
    EXPECT_FALSE(info.CompanyName().isEmpty());
    EXPECT_FALSE(info.LegalCopyright().isEmpty());

    // The second translation is the Japanese one and has its own description.
    EXPECT_EQ(info.ExtractString(1, QStringLiteral("FileVersion")), QStringLiteral(VEXMO_VERSION));
    EXPECT_NE(info.ExtractString(1, QStringLiteral("FileDescription")), info.FileDescription());
    EXPECT_EQ(info.ExtractString(0, QStringLiteral("NoSuchKey")), QString());

    try {
        info.ExtractString(2, QStringLiteral("CompanyName"));
        FAIL() << "index 2 was accepted";
    } catch (const EVersionInfRangeError& error) {
        EXPECT_STREQ(error.what(), "TVersionInf.ExtractString: Index is out of range");
    }
}

TEST(VersionInf, DisplayFillsLabelsAndEditBoxes) {
    QLabel company;
    QLineEdit version;
    QLabel copyright(QStringLiteral("stale"));
    TVersionInf info;
    info.DispCompanyName = &company;
    info.DispFileVersion = &version;
    info.DispLegalCopyright = &copyright;
    {
        // A control destroyed before Display is simply skipped.
        QLabel gone;
        info.DispProductName = &gone;
    }
    info.SetFileName(kProgram);
    info.Display();
    EXPECT_EQ(company.text(), info.CompanyName());
    EXPECT_EQ(version.text(), QStringLiteral(VEXMO_VERSION));
    EXPECT_EQ(copyright.text(), info.LegalCopyright());

    // Pointed at a file without a block, Display empties what it showed before.
    info.SetFileName(QStringLiteral("/nonexistent/vexmo"));
    info.Display();
    EXPECT_EQ(company.text(), QString());
    EXPECT_EQ(version.text(), QString());
    EXPECT_EQ(copyright.text(), QString());
}

TEST(VersionInf, FileNameAndUseExeNameReplaceWhatWasRead) {
    TVersionInf info;
    info.SetUseExeName(true);
    EXPECT_TRUE(info.UseExeName());
    EXPECT_EQ(info.FileName(), TVersionInf::ExecutablePath());
    // The test program carries no version block.
    EXPECT_FALSE(info.HasVersionInfo());

    info.SetTranslationIndex(1);
    info.SetFileName(kProgram);
    EXPECT_FALSE(info.UseExeName());
    EXPECT_EQ(info.TranslationIndex(), 0u);
    EXPECT_TRUE(info.HasVersionInfo());
    EXPECT_EQ(info.FileVersion(), QStringLiteral(VEXMO_VERSION));

    // Back to the own executable: the program's values must not linger.
    info.SetTranslationIndex(1);
    info.SetUseExeName(false);
    EXPECT_EQ(info.TranslationIndex(), 0u);
    EXPECT_EQ(info.FileName(), TVersionInf::ExecutablePath());
    EXPECT_FALSE(info.HasVersionInfo());
}

TEST_F(VersionInfFiles, FilesWithoutAReadableBlock) {
    Bytes truncated = MakeElf(kOneTranslation);
    truncated.resize(truncated.size() - 100);  // section headers cut off
    Bytes hugeOffset = MakeElf(kOneTranslation);
    Put(hugeOffset, hugeOffset.size() - 64 + 24, ~0ull - 8, 8);  // data beyond the end
    Bytes badMagic = kOneTranslation;
    badMagic[0] = 'X';
    Bytes longLength = kOneTranslation;
    Put(longLength, 8, 0xFFFFFFFFu, 4);
    Bytes elf32Stub = MakeElf(kOneTranslation);
    elf32Stub[4] = 1;  // claims 32 bits with a 64-bit layout

    const struct {
        const char* Name;
        Bytes Contents;
    } rows[] = {
        {"empty file", {}},
        {"text file", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
        {"ELF without the section", MakeElf(kOneTranslation, ".rodata")},
        {"section headers cut off", truncated},
        {"section beyond the end", hugeOffset},
        {"block with a wrong magic", MakeElf(badMagic)},
        {"block longer than its section", MakeElf(longLength)},
        {"mismatched ELF class", elf32Stub},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        QLabel label(QStringLiteral("stale"));
        TVersionInf info;
        info.DispCompanyName = &label;
        info.SetFileName(Write(QStringLiteral("file"), row.Contents));
        EXPECT_FALSE(info.HasVersionInfo());
        info.Display();
        EXPECT_EQ(label.text(), QString());
        try {
            info.CompanyName();
            ADD_FAILURE() << "no error raised";
        } catch (const EVersionInfIoError& error) {
            EXPECT_STREQ(error.what(), "TVersionInf.ExtractString: Cannot read a file version information");
        }
    }
}

TEST_F(VersionInfFiles, TranslationTableBoundsTheIndex) {
    TVersionInf one;
    one.SetFileName(Write(QStringLiteral("one"), MakeElf(kOneTranslation)));
    EXPECT_EQ(one.TranslationCount(), 1);
    EXPECT_EQ(one.CompanyName(), QStringLiteral("有限会社ドルフ"));
    EXPECT_EQ(one.FileVersion(), QStringLiteral("2.5"));
    EXPECT_EQ(one.ProductName(), QString());
    EXPECT_THROW(one.ExtractString(1, QStringLiteral("CompanyName")), EVersionInfRangeError);

    // Without a table even index 0 is out of range, and Display passes that on.
    TVersionInf none;
    QLabel label;
    none.DispCompanyName = &label;
    none.SetFileName(Write(QStringLiteral("none"), MakeElf(kNoTranslationTable)));
    EXPECT_TRUE(none.HasVersionInfo());
    EXPECT_EQ(none.TranslationCount(), 0);
    EXPECT_THROW(none.ExtractString(0, QStringLiteral("CompanyName")), EVersionInfRangeError);
    EXPECT_THROW(none.Display(), EVersionInfRangeError);
}
