#include "store/dbconnection.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/store/rawdb.h"
#include "tests/store/tempdir.h"

namespace
{

constexpr int kRounds = 25;
constexpr int kPerRound = 1000000;
constexpr int kWaitMs = 5000;

// Child: writes kPerRound scores counting up from base and reports each one
// the store called a success. A 4-byte write to a pipe is atomic, so a kill
// never leaves half a report.
[[noreturn]] void WriterChild(std::string const& path, int base, int reportFd)
{
    TSingleton<CDBConnection>::Destroy();
    TSingleton<CDBConnection>::Get()->OpenDB(path.c_str());
    for (int i = 0; i < kPerRound; ++i)
    {
        int32_t score = base + i;
        if (TSingleton<CDBConnection>::Get()->WriteScore("Kill", score))
        {
            if (write(reportFd, &score, sizeof(score)) != sizeof(score))
                _exit(3);
        }
    }
    _exit(0);
}

// Reads whole reports until EOF or until the deadline; false on timeout.
bool ReadReports(int fd, std::vector<int32_t>& reports, size_t atLeast,
                 std::chrono::steady_clock::time_point deadline, bool untilEof)
{
    for (;;)
    {
        if (!untilEof && reports.size() >= atLeast)
            return true;
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now())
                                        .count());
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, left);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        int32_t value;
        ssize_t got = read(fd, &value, sizeof(value));
        if (got == 0)
            return true; // EOF: the child is gone
        if (got != sizeof(value))
            return false;
        reports.push_back(value);
    }
}

// Reaps the child within the deadline, killing it if it is still there.
int Reap(pid_t pid)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return status;
}

TEST(StoreKillTest, NothingReportedIsLostAndTheFileStaysSound)
{
    TSingleton<CDBConnection>::Destroy();
    TempDir dir;
    std::string path = dir.File("scores.db");

    std::random_device device;
    unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    SCOPED_TRACE("seed " + std::to_string(seed));

    std::vector<std::vector<int32_t>> reported(kRounds);
    int hotJournals = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        std::fflush(nullptr);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            close(fds[0]);
            WriterChild(path, round * kPerRound, fds[1]);
        }
        close(fds[1]);

        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        // Kill only once the child is busy writing, at a random moment after.
        bool writing = ReadReports(fds[0], reported[round], 1, deadline, false);
        if (writing)
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        kill(pid, SIGKILL);
        bool drained = ReadReports(fds[0], reported[round], 0, deadline, true);
        close(fds[0]);
        int status = Reap(pid);

        ASSERT_TRUE(writing) << "round " << round << ": the child reported no write in time";
        ASSERT_TRUE(drained) << "round " << round << ": reports did not end in time";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": child ended otherwise, status " << status;
        if (access((path + "-journal").c_str(), F_OK) == 0)
            ++hotJournals;
    }

    EXPECT_EQ(RawQuery(path, "pragma integrity_check;"), (RawRows{{"ok"}}));

    std::set<int32_t> stored;
    for (auto const& row : RawQuery(path, "select name, score from scores;"))
    {
        EXPECT_EQ(row[0], "Kill");
        stored.insert(std::stoi(row[1]));
    }
    size_t total = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        std::vector<int32_t> const& sent = reported[round];
        total += sent.size();
        for (int32_t score : sent)
            EXPECT_TRUE(stored.count(score)) << "reported write " << score << " is missing";
        // The writes of a round form an unbroken run from its base; at most
        // one more than reported, committed just before the kill.
        auto first = stored.lower_bound(round * kPerRound);
        auto last = stored.lower_bound((round + 1) * kPerRound);
        size_t inRound = std::distance(first, last);
        EXPECT_GE(inRound, sent.size());
        EXPECT_LE(inRound, sent.size() + 1) << "round " << round;
        if (inRound > 0)
        {
            EXPECT_EQ(*std::prev(last), round * kPerRound + static_cast<int32_t>(inRound) - 1)
                << "round " << round << " has a gap";
        }
    }
    std::printf("kill test: %d rounds, %zu reported writes, %zu rows, %d kills left a hot journal\n",
                kRounds, total, stored.size(), hotJournals);
}

} // namespace
