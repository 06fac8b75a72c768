// Reading the version block back: the section out of an ELF file, and values out of the block.
// Every offset and length comes from the file, so each is checked before it is used.

#include "shell/VersionBlock.h"

#include <algorithm>
#include <fstream>
#include <limits>

namespace vexmo {

namespace {

class FileReader {
  public:
    explicit FileReader(const std::string& path) : in_(path, std::ios::binary) {
        if (!in_) return;
        in_.seekg(0, std::ios::end);
        const auto end = in_.tellg();
        if (end < 0) return;
        size_ = static_cast<std::uint64_t>(end);
        ok_ = true;
    }
    bool Ok() const { return ok_; }
    std::uint64_t Size() const { return size_; }

    bool Read(std::uint64_t offset, unsigned char* out, std::uint64_t count) {
        if (!ok_ || offset > size_ || count > size_ - offset) return false;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<std::uint64_t>(in_.gcount()) == count;
    }

  private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
    bool ok_ = false;
};

std::uint64_t Unpack(const unsigned char* p, int bytes, bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        value |= static_cast<std::uint64_t>(p[i]) << shift;
    }
    return value;
}

struct ElfLayout {
    bool Is64 = true;
    bool BigEndian = false;
    // Field offsets and widths inside a section header.
    int ShOffsetAt() const { return Is64 ? 24 : 16; }
    int ShSizeAt() const { return Is64 ? 32 : 20; }
    int ShLinkAt() const { return Is64 ? 40 : 24; }
    int Word() const { return Is64 ? 8 : 4; }
    int HeaderSize() const { return Is64 ? 64 : 40; }
};

struct SectionHeader {
    std::uint32_t Name = 0;
    std::uint32_t Type = 0;
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
    std::uint32_t Link = 0;
};

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint64_t kMaxSections = 1 << 20;

std::optional<SectionHeader> ReadSectionHeader(FileReader& file, const ElfLayout& elf, std::uint64_t tableOffset,
                                               std::uint64_t entrySize, std::uint64_t index) {
    if (entrySize != 0 && index > (std::numeric_limits<std::uint64_t>::max() - tableOffset) / entrySize) return {};
    unsigned char raw[64] = {};
    if (!file.Read(tableOffset + index * entrySize, raw, static_cast<std::uint64_t>(elf.HeaderSize()))) return {};
    SectionHeader header;
    header.Name = static_cast<std::uint32_t>(Unpack(raw, 4, elf.BigEndian));
    header.Type = static_cast<std::uint32_t>(Unpack(raw + 4, 4, elf.BigEndian));
    header.Offset = Unpack(raw + elf.ShOffsetAt(), elf.Word(), elf.BigEndian);
    header.Size = Unpack(raw + elf.ShSizeAt(), elf.Word(), elf.BigEndian);
    header.Link = static_cast<std::uint32_t>(Unpack(raw + elf.ShLinkAt(), 4, elf.BigEndian));
    return header;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadVersionBlockFromFile(const std::string& path) {
    FileReader file(path);
    unsigned char ident[64] = {};
    if (!file.Ok() || !file.Read(0, ident, 16)) return {};
    if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') return {};
    ElfLayout elf;
    if (ident[4] != 1 && ident[4] != 2) return {};
    if (ident[5] != 1 && ident[5] != 2) return {};
    elf.Is64 = ident[4] == 2;
    elf.BigEndian = ident[5] == 2;

    const std::uint64_t headerSize = elf.Is64 ? 64 : 52;
    if (!file.Read(0, ident, headerSize)) return {};
    const bool be = elf.BigEndian;
    const std::uint64_t shOff = elf.Is64 ? Unpack(ident + 0x28, 8, be) : Unpack(ident + 0x20, 4, be);
    const std::uint64_t shEntSize = Unpack(ident + (elf.Is64 ? 0x3A : 0x2E), 2, be);
    std::uint64_t shNum = Unpack(ident + (elf.Is64 ? 0x3C : 0x30), 2, be);
    std::uint64_t shStrIndex = Unpack(ident + (elf.Is64 ? 0x3E : 0x32), 2, be);
    if (shOff == 0 || shEntSize < static_cast<std::uint64_t>(elf.HeaderSize())) return {};

    // Very many sections, or a high name-table index, move the real values into section 0.
    if (shNum == 0 || shStrIndex == 0xFFFF) {
        const auto first = ReadSectionHeader(file, elf, shOff, shEntSize, 0);
        if (!first) return {};
        if (shNum == 0) shNum = first->Size;
        if (shStrIndex == 0xFFFF) shStrIndex = first->Link;
    }
    if (shNum == 0 || shNum > kMaxSections || shStrIndex >= shNum) return {};

    const auto names = ReadSectionHeader(file, elf, shOff, shEntSize, shStrIndex);
    if (!names || names->Type == kShtNobits) return {};

    std::vector<unsigned char> wanted(kVersionSectionName.begin(), kVersionSectionName.end());
    wanted.push_back('\0');
    std::vector<unsigned char> name(wanted.size());
    for (std::uint64_t i = 0; i < shNum; ++i) {
        const auto section = ReadSectionHeader(file, elf, shOff, shEntSize, i);
        if (!section) return {};
        if (section->Type == kShtNobits || section->Name >= names->Size) continue;
        if (names->Size - section->Name < wanted.size()) continue;
        if (!file.Read(names->Offset + section->Name, name.data(), name.size()) || name != wanted) continue;
        if (section->Size > kVersionBlockMaxSize) return {};
        std::vector<unsigned char> block(static_cast<std::size_t>(section->Size));
        if (!file.Read(section->Offset, block.data(), block.size())) return {};
        return block;
    }
    return {};
}

std::optional<std::string_view> QueryVersionValue(const std::vector<unsigned char>& block, std::string_view path) {
    const std::size_t headerSize = kVersionBlockMagic.size() + 4;
    if (block.size() < headerSize) return {};
    if (!std::equal(kVersionBlockMagic.begin(), kVersionBlockMagic.end(), block.begin())) return {};
    const std::uint64_t length = Unpack(block.data() + kVersionBlockMagic.size(), 4, false);
    if (length > block.size() - headerSize) return {};
    if (path.empty() || path == "\\") return std::string_view{};

    const unsigned char* p = block.data() + headerSize;
    std::uint64_t left = length;
    auto text = [](const unsigned char* at, std::uint64_t n) {
        return std::string_view(reinterpret_cast<const char*>(at), static_cast<std::size_t>(n));
    };
    while (left > 0) {
        if (left < 2) return {};
        const std::uint64_t pathSize = Unpack(p, 2, false);
        if (pathSize > left - 2) return {};
        const std::string_view entryPath = text(p + 2, pathSize);
        p += 2 + pathSize;
        left -= 2 + pathSize;
        if (left < 4) return {};
        const std::uint64_t valueSize = Unpack(p, 4, false);
        if (valueSize > left - 4) return {};
        const std::string_view value = text(p + 4, valueSize);
        p += 4 + valueSize;
        left -= 4 + valueSize;
        if (AsciiEqualNoCase(entryPath, path)) return value;
    }
    return {};
}

}  // namespace vexmo
