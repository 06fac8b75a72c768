#include "document/core/FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmo {

namespace {

FileResult Failure(const std::string& verb, const std::filesystem::path& path, int error)
{
    FileResult r;
    r.Ok = false;
    r.Message = "Cannot " + verb + " \"" + path.string() + "\": " + std::strerror(error);
    return r;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

FileContent ReadWholeFile(const std::filesystem::path& path)
{
    FileContent content;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        static_cast<FileResult&>(content) = Failure("read", path, EISDIR);
        return content;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        static_cast<FileResult&>(content) = Failure("read", path, errno ? errno : ENOENT);
        return content;
    }
    try {
        content.Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::bad_alloc&) {
        static_cast<FileResult&>(content) = Failure("read", path, ENOMEM);
        return content;
    }
    if (in.bad())
        static_cast<FileResult&>(content) = Failure("read", path, EIO);
    return content;
}

FileResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
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
    if (existed && S_ISDIR(old.st_mode))
        return Failure("write", path, EISDIR);

    int fd = -1;
    fs::path temporary;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".tmp" +
                              std::to_string(::getpid()) + "-" + std::to_string(stamp) + "-" +
                              std::to_string(attempt));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Failure("write", path, errno);
    }
    if (fd < 0)
        return Failure("write", path, EEXIST);
    if (existed)
        ::fchmod(fd, old.st_mode & 07777);

    int error = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
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
