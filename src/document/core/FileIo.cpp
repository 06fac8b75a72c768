#include "document/core/FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmo {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

template <typename Result>
Result Failed(FileError error, const std::string& verb, const std::filesystem::path& path,
              const std::string& reason)
{
    Result r;
    r.Ok = false;
    r.Error = error;
    r.Reason = reason;
    r.Message = "Cannot " + verb + " \"" + path.string() + "\": " + reason;
    return r;
}

template <typename Result = FileResult>
Result Failure(const std::string& verb, const std::filesystem::path& path, int error)
{
    return Failed<Result>(FileError::System, verb, path, std::strerror(error));
}

template <typename Result = FileResult>
Result NotRegular(const std::string& verb, const std::filesystem::path& path)
{
    return Failed<Result>(FileError::NotRegular, verb, path,
                          "it is not a regular file (a folder, pipe, device or socket)");
}

FileContent NulBytes(const std::string& name)
{
    FileContent r;
    r.Ok = false;
    r.Error = FileError::NulBytes;
    r.Reason = "contains NUL bytes; not a text document";
    r.Message = name + ": " + r.Reason;
    return r;
}

FileContent TooLarge(const std::string& name, std::size_t limit)
{
    return Failed<FileContent>(FileError::TooLarge, "read", name,
                               "larger than " + std::to_string(limit >> 20) +
                                   " MiB, the limit of a document or variables file");
}

bool WriteAll(const FileSystemCalls& calls, int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const long n = calls.Write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads `fd` to its end, chunk by chunk, stopping early at a NUL byte or at the limit.
FileContent ReadChunks(int fd, const std::string& name, const ReadRules& rules,
                       const std::filesystem::path* path)
{
    FileContent content;
    std::vector<char> chunk(kChunkBytes);
    try {
        for (;;) {
            const ssize_t n = ::read(fd, chunk.data(), chunk.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const int error = errno;
                return path ? Failure<FileContent>("read", *path, error)
                            : Failed<FileContent>(FileError::System, "read", name,
                                                  std::strerror(error));
            }
            if (n == 0)
                break;
            const std::string_view got(chunk.data(), static_cast<std::size_t>(n));
            if (rules.RefuseNul && got.find('\0') != std::string_view::npos)
                return NulBytes(name);
            if (got.size() > rules.MaxBytes - content.Bytes.size())
                return TooLarge(name, rules.MaxBytes);
            content.Bytes.append(got);
        }
    } catch (const std::bad_alloc&) {
        return path ? Failure<FileContent>("read", *path, ENOMEM)
                    : Failed<FileContent>(FileError::System, "read", name, std::strerror(ENOMEM));
    }
    return content;
}

bool AllDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Removes the hidden temporary files that earlier saves of `target` left behind when their
// process was killed: names of exactly our pattern, regular files of this user, whose
// process no longer exists. Anything else in the folder is left alone.
void RemoveStaleTemporaries(const std::filesystem::path& folder,
                            const std::filesystem::path& target)
{
    const std::string prefix = "." + target.filename().string() + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        // PID-STAMP-ATTEMPT, all decimal.
        const std::string_view rest = name.substr(prefix.size());
        const std::size_t dash1 = rest.find('-');
        const std::size_t dash2 =
            dash1 == std::string_view::npos ? dash1 : rest.find('-', dash1 + 1);
        if (dash2 == std::string_view::npos || !AllDigits(rest.substr(0, dash1)) ||
            !AllDigits(rest.substr(dash1 + 1, dash2 - dash1 - 1)) ||
            !AllDigits(rest.substr(dash2 + 1)) || dash1 > 9)
            continue;
        const long pid = std::stol(std::string(rest.substr(0, dash1)));
        if (pid <= 0 || pid == ::getpid())
            continue;
        // Alive, or of another user we may not signal: not ours to remove.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        stale.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : stale) {
        const std::filesystem::path file = folder / name;
        struct stat info {};
        if (::lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid())
            ::unlink(file.c_str());
    }
}

} // namespace

int FileSystemCalls::Open(const char* path, int flags, unsigned mode) const
{
    return ::open(path, flags, static_cast<mode_t>(mode));
}

long FileSystemCalls::Write(int fd, const char* data, std::size_t size) const
{
    return ::write(fd, data, size);
}

int FileSystemCalls::Fsync(int fd) const { return ::fsync(fd); }

int FileSystemCalls::Close(int fd) const { return ::close(fd); }

int FileSystemCalls::Rename(const char* from, const char* to) const
{
    return ::rename(from, to);
}

std::string TemporaryNamePrefix(const std::filesystem::path& target, long pid)
{
    return "." + target.filename().string() + ".tmp" + std::to_string(pid) + "-";
}

FileContent ReadWholeFile(const std::filesystem::path& path, const ReadRules& rules)
{
    // Look before opening: opening a pipe waits for a writer, and opening a device may do
    // something of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return Failure<FileContent>("read", path, errno);
    if (!S_ISREG(info.st_mode))
        return NotRegular<FileContent>("read", path);
    // Non-blocking, in case the name was replaced by a pipe since; checked again below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Failure<FileContent>("read", path, errno);
    FileContent content;
    if (::fstat(fd, &info) != 0)
        content = Failure<FileContent>("read", path, errno);
    else if (!S_ISREG(info.st_mode))
        content = NotRegular<FileContent>("read", path);
    else
        content = ReadChunks(fd, path.string(), rules, &path);
    ::close(fd);
    return content;
}

FileContent ReadWholeStream(int fd, const std::string& name, const ReadRules& rules)
{
    return ReadChunks(fd, name, rules, nullptr);
}

FileResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const FileSystemCalls& calls)
{
    namespace fs = std::filesystem;
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        return NotRegular("write", path);

    RemoveStaleTemporaries(folder, target);

    int fd = -1;
    fs::path temporary;
    const std::string prefix = TemporaryNamePrefix(target, ::getpid());
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / (prefix + std::to_string(stamp) + "-" + std::to_string(attempt));
        fd = calls.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Failure("write", path, errno);
    }
    if (fd < 0)
        return Failed<FileResult>(FileError::System, "write", path,
                                  "no free name for a temporary file in its folder");
    if (existed) {
        // Owner and group first: changing them clears the set-user-ID and set-group-ID bits.
        // Only a privileged process may give a file away; for anyone else the new file is
        // theirs already, as the old one most likely was.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            // Failing that, keep at least the group where this user belongs to it.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
                ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
                // The new file stays this user's, with their group.
            }
        }
        ::fchmod(fd, old.st_mode & 07777);
    }

    int error = 0;
    if (!WriteAll(calls, fd, bytes) || calls.Fsync(fd) != 0)
        error = errno;
    if (calls.Close(fd) != 0 && error == 0)
        error = errno;
    // The target may have been replaced by a pipe or device while the text was written.
    struct stat now {};
    if (error == 0 && ::stat(target.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
        ::unlink(temporary.c_str());
        return NotRegular("write", path);
    }
    if (error == 0 && calls.Rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failure("write", path, error);
    }
    // Make the rename itself durable; a failure here no longer endangers the old text.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace vexmo
