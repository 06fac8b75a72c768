#pragma once
// Whole-file reading and atomic replacement. A failed write never leaves a half-written
// file behind: the text goes to a temporary file in the same folder, is flushed to disk,
// and only then renamed over the old file.
//
// Only regular files are read or replaced: a pipe, device, socket or folder is refused by
// name before anything is read or written, so that nothing waits for ever on a pipe, reads
// an endless device, or replaces a device node by a file. Reading stops at a size limit.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vexmo {

// No document or variables file comes near this; anything larger is refused unread.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{256} << 20;  // 256 MiB

enum class FileError {
    None,
    System,      // the system refused (no such file, no permission, ...)
    NotRegular,  // a pipe, device, socket or folder
    NulBytes,    // a NUL byte: a binary file, not a text
    TooLarge,    // beyond the size limit
};

struct FileResult {
    bool Ok = true;
    FileError Error = FileError::None;
    std::string Message; // why it failed, naming the file
    std::string Reason;  // the same reason without the file's name
    explicit operator bool() const { return Ok; }
};

struct FileContent : FileResult {
    std::string Bytes;
};

struct ReadRules {
    std::size_t MaxBytes = kMaxTextFileBytes;
    bool RefuseNul = false;  // stop at the first chunk that holds a NUL byte
};

// The text-file rules: NUL bytes refused, the size limit.
inline constexpr ReadRules kTextFileRules{kMaxTextFileBytes, true};

// Reads a regular file (a symbolic link to one is followed) in chunks.
FileContent ReadWholeFile(const std::filesystem::path& path, const ReadRules& rules = {});
// Reads an open descriptor (standard input) to its end in chunks; `name` names it in messages.
FileContent ReadWholeStream(int fd, const std::string& name, const ReadRules& rules);

// The system calls the atomic writer makes on the temporary file, one place to make each of
// them fail at will when checking that a failure never costs the old file.
class FileSystemCalls {
  public:
    virtual ~FileSystemCalls() = default;
    virtual int Open(const char* path, int flags, unsigned mode) const;
    virtual long Write(int fd, const char* data, std::size_t size) const;
    virtual int Fsync(int fd) const;
    virtual int Close(int fd) const;
    virtual int Rename(const char* from, const char* to) const;
};

// Replaces `path` with `bytes`. An existing file keeps its permissions, and its owner and
// group where the process may set them; a symbolic link stays a link and its target is
// replaced. A target that exists and is not a regular file is refused and left alone.
// Temporary files of earlier saves of the same target whose process is gone are removed.
FileResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const FileSystemCalls& calls = FileSystemCalls{});

// The hidden temporary name a save of `target` by process `pid` uses, without its counter.
std::string TemporaryNamePrefix(const std::filesystem::path& target, long pid);

} // namespace vexmo
