#pragma once
// The version block: product data that the build embeds in the executable file, in the ELF
// section ".vexmo_version", and that TVersionInf reads back from any file.
//
// Layout (all integers little-endian):
//   magic "VXMOVER1" (8 bytes), u32 byte length of the entries that follow, then entries of
//   { u16 path length, path bytes, u32 value length, value bytes }.
// Paths name values as the version query does: "\VarFileInfo\Translation" holds the
// translation table (u32 entries, language identifier in the low 16 bits, code page in the
// high 16 bits); "\StringFileInfo\040904B0\CompanyName" holds a UTF-8 string of one
// translation.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

inline constexpr std::string_view kVersionSectionName = ".vexmo_version";
inline constexpr std::string_view kVersionBlockMagic = "VXMOVER1";
// Anything larger is not one of our blocks; refuse it rather than allocate without bound.
inline constexpr std::size_t kVersionBlockMaxSize = 1 << 20;

struct VersionBlockEntry {
    std::string_view Path;
    std::string_view Value;
};

// Number of bytes the block of `entries` takes.
constexpr std::size_t VersionBlockSize(const VersionBlockEntry* entries, std::size_t count) {
    std::size_t size = kVersionBlockMagic.size() + 4;
    for (std::size_t i = 0; i < count; ++i) size += 2 + entries[i].Path.size() + 4 + entries[i].Value.size();
    return size;
}

// Builds the block at compile time, so the build can place it in its own section.
template <std::size_t Size, std::size_t Count>
constexpr std::array<unsigned char, Size> BuildVersionBlock(const std::array<VersionBlockEntry, Count>& entries) {
    std::array<unsigned char, Size> block{};
    std::size_t at = 0;
    auto put = [&](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) block[at++] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
    };
    auto putText = [&](std::string_view text) {
        for (char c : text) block[at++] = static_cast<unsigned char>(c);
    };
    putText(kVersionBlockMagic);
    put(Size - kVersionBlockMagic.size() - 4, 4);
    for (const VersionBlockEntry& entry : entries) {
        put(entry.Path.size(), 2);
        putText(entry.Path);
        put(entry.Value.size(), 4);
        putText(entry.Value);
    }
    return block;
}

// The translation table value for the given (language, code page) pairs.
template <std::size_t Count>
constexpr std::array<char, 4 * Count> TranslationTable(const std::array<std::uint32_t, Count>& entries) {
    std::array<char, 4 * Count> bytes{};
    for (std::size_t i = 0; i < Count; ++i)
        for (std::size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<char>((entries[i] >> (8 * b)) & 0xFF);
    return bytes;
}

// The version block of the ELF file at `path`: the bytes of its ".vexmo_version" section.
// Nothing when the file cannot be read, is not ELF or has no such section.
std::optional<std::vector<unsigned char>> ReadVersionBlockFromFile(const std::string& path);

// The value at `path` inside `block` ("" asks for the root and gives an empty value when the
// block is well formed). Nothing when the block is malformed or has no such value.
std::optional<std::string_view> QueryVersionValue(const std::vector<unsigned char>& block, std::string_view path);

}  // namespace vexmo
