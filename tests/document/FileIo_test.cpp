// Reading and replacing files at the edges: nodes that are not regular files, endless or
// binary input, owner and group of a replaced file, temporaries left by killed saves.

#include "document/core/FileIo.h"

#include "RobustFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmo {
namespace {

using namespace vexmo::robust;

struct Node {
    mode_t Type = 0;
    ino_t Inode = 0;
};

Node NodeAt(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};
    return {static_cast<mode_t>(info.st_mode & S_IFMT), info.st_ino};
}

// Makes a node of each kind; false when this user may not (a device needs root).
bool MakeNode(const fs::path& path, mode_t type) {
    switch (type) {
    case S_IFIFO:
        return ::mkfifo(path.c_str(), 0600) == 0;
    case S_IFCHR: // a twin of /dev/null
        return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    case S_IFDIR:
        return ::mkdir(path.c_str(), 0700) == 0;
    case S_IFSOCK: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.string().size() >= sizeof address.sun_path) return false;
        std::strcpy(address.sun_path, path.c_str());
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return bound;
    }
    default:
        return false;
    }
}

// A process id that no process has now.
long DeadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST(FileIo, WritersRefuseTargetsThatAreNotRegularFiles) {
    struct Row {
        const char* Name;
        mode_t Type;
    };
    const Row rows[] = {
        {"pipe", S_IFIFO},
        {"character device", S_IFCHR},
        {"folder", S_IFDIR},
        {"socket", S_IFSOCK},
    };
    std::string skipped;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TempDir dir;
        const fs::path node = dir.Path() / "node";
        if (!MakeNode(node, row.Type)) {
            ASSERT_NE(0u, ::geteuid()) << "root could not make the node";
            skipped += std::string(" ") + row.Name; // only root may make a device
            continue;
        }
        const Node before = NodeAt(node);
        // Directly and through a symbolic link.
        const fs::path link = dir.Path() / "link";
        fs::create_symlink(node, link);
        for (const fs::path& target : {node, link}) {
            const FileResult written = WriteFileAtomically(target, "1+1\r\n");
            EXPECT_FALSE(written.Ok);
            EXPECT_EQ(FileError::NotRegular, written.Error);
            EXPECT_NE(std::string::npos, written.Message.find(target.string())) << written.Message;
        }
        const Node after = NodeAt(node);
        EXPECT_EQ(before.Type, after.Type);
        EXPECT_EQ(before.Inode, after.Inode);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(2, std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()))
            << "a temporary file was left behind";
    }
    if (!skipped.empty()) GTEST_SKIP() << "making these needs root:" << skipped;
}

// Each system call of a save fails in turn: the old file stays as it was, no temporary is
// left behind, and the message names the file and the reason.
TEST(FileIo, AFailingSystemCallKeepsTheOldFile) {
    enum class Call { Open, Write, Fsync, Close, Rename };
    struct Failing : FileSystemCalls {
        Call Fails;
        int Error;
        std::function<void()> Before; // runs before the failing call
        int Fail(Call call) const {
            if (call != Fails) return 0;
            if (Before) Before();
            if (Error == 0) return 0;
            errno = Error;
            return -1;
        }
        int Open(const char* path, int flags, unsigned mode) const override {
            return Fail(Call::Open) ? -1 : FileSystemCalls::Open(path, flags, mode);
        }
        long Write(int fd, const char* data, std::size_t size) const override {
            return Fail(Call::Write) ? -1 : FileSystemCalls::Write(fd, data, size);
        }
        int Fsync(int fd) const override {
            return Fail(Call::Fsync) ? -1 : FileSystemCalls::Fsync(fd);
        }
        int Close(int fd) const override {
            FileSystemCalls::Close(fd); // the descriptor is gone either way
            return Fail(Call::Close);
        }
        int Rename(const char* from, const char* to) const override {
            return Fail(Call::Rename) ? -1 : FileSystemCalls::Rename(from, to);
        }
    };
    TempDir dir;
    const fs::path target = dir.Path() / "doc.vxm";
    auto pipeInstead = [&] {
        fs::remove(target);
        ::mkfifo(target.c_str(), 0600);
    };
    struct Row {
        const char* Name;
        Call Fails;
        int Error;
        const char* Reason;
        bool BecomesPipe = false;
    };
    const Row rows[] = {
        {"read-only file system", Call::Open, EROFS, std::strerror(EROFS)},
        {"no permission in the folder", Call::Open, EACCES, std::strerror(EACCES)},
        {"every temporary name taken", Call::Open, EEXIST, "no free name for a temporary file"},
        {"disk full while writing", Call::Write, ENOSPC, std::strerror(ENOSPC)},
        {"file too large", Call::Write, EFBIG, std::strerror(EFBIG)},
        {"flush to disk fails", Call::Fsync, EIO, std::strerror(EIO)},
        {"delayed write error at close", Call::Close, EDQUOT, std::strerror(EDQUOT)},
        {"rename refused", Call::Rename, EBUSY, std::strerror(EBUSY)},
        {"target becomes a pipe while written", Call::Write, 0, "not a regular file", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        WriteBytes(target, "old\r\n");
        Failing calls;
        calls.Fails = row.Fails;
        calls.Error = row.Error;
        if (row.BecomesPipe) calls.Before = pipeInstead;
        const FileResult written = WriteFileAtomically(target, "new\r\n", calls);
        EXPECT_FALSE(written.Ok);
        EXPECT_NE(std::string::npos, written.Message.find(target.string())) << written.Message;
        EXPECT_NE(std::string::npos, written.Message.find(row.Reason)) << written.Message;
        if (row.BecomesPipe)
            EXPECT_EQ(S_IFIFO, NodeAt(target).Type) << "the pipe was replaced";
        else
            EXPECT_EQ("old\r\n", ReadBytes(target));
        EXPECT_EQ(std::vector<std::string>{"doc.vxm"}, test::FolderEntries(dir.Path()));
        fs::remove(target);
    }
}

TEST(FileIo, ASymbolicLinkToAFileStaysALink) {
    TempDir dir;
    const fs::path file = dir.Path() / "doc.vxm", link = dir.Path() / "link.vxm";
    WriteBytes(file, "old");
    fs::create_symlink(file, link);
    ASSERT_TRUE(WriteFileAtomically(link, "new").Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ("new", ReadBytes(file));
}

TEST(FileIo, ReadersStopEarlyAtEndlessOrBinaryInput) {
    std::signal(SIGPIPE, SIG_IGN); // the reader closes a pipe the writer still writes to
    TempDir dir;
    const fs::path fifo = dir.Path() / "pipe.vxm", nul = dir.Path() / "nul.vxm";
    ASSERT_TRUE(MakeNode(fifo, S_IFIFO));
    WriteBytes(nul, std::string("1+1\r\n") + '\0' + RandomPrintableLine(1 << 20, 1));
    const ReadRules small{1 << 16, true};
    struct Row {
        const char* Name;
        std::function<FileContent()> Read;
        FileError Expected;
    };
    const Row rows[] = {
        {"/dev/zero by name", [] { return ReadWholeFile("/dev/zero", kTextFileRules); },
         FileError::NotRegular},
        {"a pipe without a writer by name", [&] { return ReadWholeFile(fifo, kTextFileRules); },
         FileError::NotRegular},
        {"a folder by name", [&] { return ReadWholeFile(dir.Path(), kTextFileRules); },
         FileError::NotRegular},
        {"NUL in the first chunk", [&] { return ReadWholeFile(nul, small); }, FileError::NulBytes},
        {"/dev/zero as a stream",
         [] {
             const int fd = ::open("/dev/zero", O_RDONLY);
             FileContent c = ReadWholeStream(fd, "<stdin>", kTextFileRules);
             ::close(fd);
             return c;
         },
         FileError::NulBytes},
        {"an endless text stream",
         [&] {
             int ends[2];
             if (::pipe(ends) != 0) return FileContent{};
             std::thread writer([out = ends[1]] {
                 const std::string line = "1+1\r\n";
                 while (::write(out, line.data(), line.size()) > 0) {
                 }
                 ::close(out);
             });
             FileContent c = ReadWholeStream(ends[0], "<stdin>", small);
             ::close(ends[0]); // ends the writer
             writer.join();
             return c;
         },
         FileError::TooLarge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const FileContent content = row.Read();
        EXPECT_FALSE(content.Ok);
        EXPECT_EQ(row.Expected, content.Error) << content.Message;
        EXPECT_TRUE(content.Bytes.empty());
    }
    // A file at the limit is read whole.
    const fs::path full = dir.Path() / "full.vxm";
    WriteBytes(full, std::string(small.MaxBytes, '1'));
    EXPECT_TRUE(ReadWholeFile(full, small).Ok);
}

TEST(FileIo, ReplacedFileKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file away needs root";
    TempDir dir;
    const fs::path file = dir.Path() / "doc.vxm";
    WriteBytes(file, "old");
    ASSERT_EQ(0, ::chown(file.c_str(), 1234, 5678));
    ASSERT_EQ(0, ::chmod(file.c_str(), 0640));
    ASSERT_TRUE(WriteFileAtomically(file, "new").Ok);
    struct stat info {};
    ASSERT_EQ(0, ::stat(file.c_str(), &info));
    EXPECT_EQ(1234u, info.st_uid);
    EXPECT_EQ(5678u, info.st_gid);
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ("new", ReadBytes(file));
}

// Only our own temporaries of the same target whose process is gone are removed.
TEST(FileIo, StaleTemporariesOfKilledSavesAreRemoved) {
    TempDir dir;
    const fs::path target = dir.Path() / "doc.vxm";
    const long dead = DeadPid();
    struct Row {
        std::string Name;
        bool Removed;
    };
    const std::string mine = TemporaryNamePrefix(target, dead);
    const Row rows[] = {
        {mine + "123-0", true},
        {mine + "456-99", true},
        {TemporaryNamePrefix(target, 1) + "123-0", false},        // its process lives
        {TemporaryNamePrefix(dir.Path() / "other.vxm", dead) + "1-0", false},
        {mine + "x-0", false},                                    // not our pattern
        {mine + "1-0.bak", false},
        {mine.substr(1) + "1-0", false},                          // not hidden
    };
    for (const Row& row : rows)
        WriteBytes(dir.Path() / row.Name, "left over");
    ASSERT_TRUE(MakeNode(dir.Path() / (mine + "7-0"), S_IFDIR)); // not a file: kept
    ASSERT_TRUE(WriteFileAtomically(target, "saved").Ok);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(!row.Removed, fs::exists(dir.Path() / row.Name));
    }
    EXPECT_TRUE(fs::is_directory(dir.Path() / (mine + "7-0")));
    EXPECT_EQ("saved", ReadBytes(target));
}

} // namespace
} // namespace vexmo
