#pragma once
// A small tmpfs mounted on a folder, for saves that must fail: full, or read-only after the
// old file was written. Mounting needs root; for anyone else Mounted() is false.

#include <filesystem>

#include <sys/mount.h>
#include <unistd.h>

namespace vexmo::test {

class SmallFileSystem {
  public:
    explicit SmallFileSystem(const std::filesystem::path& folder) : folder_(folder) {
        std::error_code ignored;
        std::filesystem::create_directories(folder_, ignored);
        mounted_ = ::geteuid() == 0 &&
                   ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

} // namespace vexmo::test
