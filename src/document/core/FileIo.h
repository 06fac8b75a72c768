#pragma once
// Whole-file reading and atomic replacement. A failed write never leaves a half-written
// file behind: the text goes to a temporary file in the same folder, is flushed to disk,
// and only then renamed over the old file.

#include <filesystem>
#include <string>
#include <string_view>

namespace vexmo {

struct FileResult {
    bool Ok = true;
    std::string Message; // why it failed, naming the file
    explicit operator bool() const { return Ok; }
};

struct FileContent : FileResult {
    std::string Bytes;
};

FileContent ReadWholeFile(const std::filesystem::path& path);

// Replaces `path` with `bytes`. An existing file keeps its permissions; a symbolic link
// stays a link and its target is replaced.
FileResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace vexmo
