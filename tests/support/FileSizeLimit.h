#pragma once
// While it lives, no file of this process may grow past a given size: a longer write fails
// with EFBIG, as a full disk fails it, and no root is needed.

#include <csignal>

#include <sys/resource.h>

namespace vexmo::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN); // fail the write instead of ending the test
        rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

} // namespace vexmo::test
