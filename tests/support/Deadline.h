#pragma once
// A bound on how long a blocking step may take. A test that would otherwise hang for ever
// ends instead, naming what it waited for.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace vexmo::test {

class Deadline {
  public:
    Deadline(std::chrono::milliseconds limit, std::string what)
        : what_(std::move(what)), watch_([this, limit] {
              std::unique_lock<std::mutex> hold(lock_);
              if (!done_.wait_for(hold, limit, [this] { return met_; })) {
                  std::fprintf(stderr, "FAILED: still waiting after %lld ms: %s\n",
                               static_cast<long long>(limit.count()), what_.c_str());
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}
    ~Deadline() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            met_ = true;
        }
        done_.notify_all();
        watch_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

  private:
    std::string what_;
    std::mutex lock_;
    std::condition_variable done_;
    bool met_ = false;
    std::thread watch_;
};

} // namespace vexmo::test
