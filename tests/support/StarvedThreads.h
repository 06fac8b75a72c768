#pragma once
// Memory that runs out on every thread but the test's own while a StarveOtherThreads lives,
// so that a worker thread meets out-of-memory without the test doing so. This header replaces
// the global operator new and delete: include it in exactly one source file of a test program.

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace vexmo::test {

inline std::atomic<bool> gStarving{false};
inline std::atomic<int> gAllocationsRefused{0};
inline std::thread::id gSparedThread;

class StarveOtherThreads {
  public:
    StarveOtherThreads() {
        gSparedThread = std::this_thread::get_id();
        gAllocationsRefused = 0;
        gStarving = true;
    }
    ~StarveOtherThreads() { gStarving = false; }
    StarveOtherThreads(const StarveOtherThreads&) = delete;
    StarveOtherThreads& operator=(const StarveOtherThreads&) = delete;
    // How many allocations were refused so far: none means the worker never ran.
    static int Refused() { return gAllocationsRefused.load(); }
};

} // namespace vexmo::test

// Memory from this operator new comes from malloc, so free is its delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (vexmo::test::gStarving.load(std::memory_order_relaxed) &&
        std::this_thread::get_id() != vexmo::test::gSparedThread) {
        ++vexmo::test::gAllocationsRefused;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
