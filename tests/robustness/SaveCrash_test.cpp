// Killing a process in the middle of saving, many times: afterwards the file is always the
// complete old or the complete new version, never a mix, a truncation or nothing.

#include "RobustFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace vexmo::robust;

constexpr int kKills = 200;

// The helper, started and waited for until it has begun saving in a loop.
class SavingProcess {
  public:
    SavingProcess(const std::string& mode, const fs::path& target, const fs::path& first,
                  const fs::path& second) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(VEXMO_SAVE_HELPER, VEXMO_SAVE_HELPER, mode.c_str(), target.c_str(),
                    first.c_str(), second.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char buffer[16] = {};
        ready_ = ::poll(&p, 1, 60000) == 1 && ::read(fds[0], buffer, sizeof buffer) > 0 &&
                 std::string(buffer).starts_with("ready");
        ::close(fds[0]);
    }
    ~SavingProcess() {
        if (pid_ > 0 && !reaped_) Kill();
    }
    SavingProcess(const SavingProcess&) = delete;
    SavingProcess& operator=(const SavingProcess&) = delete;

    bool Ready() const { return ready_; }
    // Kills it and tells whether it was still running (it never ends by itself).
    bool Kill() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        exitStatus_ = status;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    int ExitStatus() const { return exitStatus_; }

  private:
    pid_t pid_ = -1;
    bool ready_ = false;
    bool reaped_ = false;
    int exitStatus_ = 0;
};

// Removes what killed saves leave behind, so the folder does not fill up.
void RemoveAllBut(const fs::path& dir, const fs::path& keep) {
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path() != keep) fs::remove_all(entry.path());
}

std::string VariablesText(int count, int seed) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "V" + std::to_string(i) + "=" + std::to_string(i * seed) + " +_I " +
                std::to_string(seed) + "\r\n";
    return text;
}

std::string DocumentText(int count, int seed) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string(i) + "*" + std::to_string(seed) +
                " ; caf\xc3\xa9 \xe8\xa8\x88 ==> " + std::to_string(i * seed) + " +_I 0 \r\n";
    return text;
}

struct Versions {
    const char* Mode;
    std::string First;
    std::string Second;
};

class SaveCrash : public ::testing::TestWithParam<const char*> {};

TEST_P(SaveCrash, AKilledSaveLeavesTheOldOrTheNewFile) {
    const std::string mode = GetParam();
    std::string first, second;
    if (mode == "atomic") {
        first = RandomBytes(1 << 18, 11, true);
        second = RandomBytes(1 << 17, 12, true); // shorter: a torn write would show
    } else if (mode == "variables") {
        first = VariablesText(4000, 3);
        second = VariablesText(2500, 7);
    } else {
        first = DocumentText(4000, 3);
        second = DocumentText(2500, 7);
    }
    TempDir sources, work;
    const fs::path firstFile = sources.Path() / "first", secondFile = sources.Path() / "second";
    WriteBytes(firstFile, first);
    WriteBytes(secondFile, second);
    const fs::path target = work.Path() / "target.vxm";
    // The check saves each version once; its duration scales the kill delays, so that kills
    // land before, inside and after saves however fast this build saves.
    const auto checkStart = std::chrono::steady_clock::now();
    {
        const std::string check = std::string(VEXMO_SAVE_HELPER) + " " + mode + " " +
                                  target.string() + " " + firstFile.string() + " " +
                                  secondFile.string() + " check";
        ASSERT_EQ(0, std::system(check.c_str())) << "a version does not save byte for byte";
    }
    const auto checkMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - checkStart)
                                       .count();
    const unsigned maxDelay =
        static_cast<unsigned>(std::max<long long>(2000, checkMicroseconds / 2));

    std::mt19937 random(2024);
    int sawFirst = 0, sawSecond = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        RemoveAllBut(work.Path(), target);
        WriteBytes(target, first);
        SavingProcess saving(mode, target, firstFile, secondFile);
        ASSERT_TRUE(saving.Ready()) << "the saving process did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % maxDelay));
        ASSERT_TRUE(saving.Kill())
            << "the saving process ended by itself, status " << saving.ExitStatus();
        const std::string now = ReadBytes(target);
        if (now == first)
            ++sawFirst;
        else if (now == second)
            ++sawSecond;
        else
            FAIL() << "the file holds neither version (" << now.size() << " bytes)";
    }
    // Kills landed both before and after renames, so the test saw saves in progress.
    EXPECT_GT(sawFirst, 0);
    EXPECT_GT(sawSecond, 0);
    std::printf("%s: %d old, %d new\n", mode.c_str(), sawFirst, sawSecond);
}

INSTANTIATE_TEST_SUITE_P(Saves, SaveCrash,
                         ::testing::Values("atomic", "variables"
#ifdef VEXMO_SAVE_HELPER_DOCUMENT
                                           ,
                                           "document"
#endif
                                           ));

} // namespace
