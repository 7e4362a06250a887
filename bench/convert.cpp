// convert: one conversion run of the real driver from the command line, after
// the same start-up of the engine's services as the program's. It prints the
// log lines as the log pane would get them (the last names the error log
// when this run wrote to it), then one line with the elapsed seconds, the throughput
// over the mailboxes read, the peak working set and the run's heap
// allocations (per message, and their bytes against the mailbox's). Ctrl+C
// stops the run as the Stop button would, with exit code 3 (1: the target
// could not be written, 2: the command line is wrong). The arguments are
// read from the wide command line; paths the ANSI code page cannot hold go
// on by their short names.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/KvAppStart.h"
#include "app/KvConvertDriver.h"
#include "bench/BenchHost.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"

namespace {

// Every allocation through operator new, counted for the allocations-per-
// message figure (the program's own allocations all go through it).
std::uint64_t Allocations = 0;
std::uint64_t AllocatedBytes = 0;

void* CountedAlloc(std::size_t Size)
{
    ++Allocations;
    AllocatedBytes += Size;
    if (void* p = std::malloc(Size ? Size : 1))
        return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t Size) { return CountedAlloc(Size); }
void* operator new[](std::size_t Size) { return CountedAlloc(Size); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete[](void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete[](void* P, std::size_t) noexcept { std::free(P); }

namespace {

// A run stopped by Ctrl+C or Ctrl+Break did not convert everything.
constexpr int AbortedExitCode = 3;

// The run a console break stops; the handler runs on a thread of its own.
TConvertDriver* BreakTarget = nullptr;

BOOL WINAPI OnConsoleBreak(DWORD Event)
{
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT)
        return FALSE;
    if (BreakTarget)
        BreakTarget->Abort();
    return TRUE;
}

double Seconds()
{
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int main()
{
    TBenchArgs args;
    // The ANSI arguments carry "?" for every character the code page lacks.
    std::string problem;
    // Checked first with nothing made, then read for the run: a refused
    // call leaves no folder behind.
    if (const std::vector<std::string> checked = CommandLineArgs(problem, false); problem.empty())
        problem = ParseBenchArgs(checked, args);
    if (problem.empty()) {
        const std::vector<std::string> line = CommandLineArgs(problem, true);
        if (problem.empty())
            problem = ParseBenchArgs(line, args);
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "convert: %s\n%s", problem.c_str(), BenchUsage);
        return 2;
    }
    StartEngineServices(args.Switches);
    // Log lines go out as the pane gets them: a "\n" after each, no "\r" added.
    _setmode(_fileno(stdout), _O_BINARY);
    TBenchHost host(args, [](const std::string& Line) {
        std::fwrite(Line.data(), 1, Line.size(), stdout);
        std::fputc('\n', stdout);
    });
    TConvertDriver driver(host);
    BreakTarget = &driver;
    SetConsoleCtrlHandler(OnConsoleBreak, TRUE);

    int rc = 0;
    const std::uint64_t allocationsBefore = Allocations, bytesBefore = AllocatedBytes;
    const double start = Seconds();
    try {
        driver.StartConversion();
        // The log has said which target and why; the exit code says the
        // run did not finish.
        if (driver.TargetFailedRun())
            rc = 1;
        else if (driver.AbortedRun())
            rc = AbortedExitCode;
    } catch (const Exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "convert: %s\n", e.Message().c_str());
        rc = 1;
    }
    const double elapsed = Seconds() - start;
    const std::uint64_t allocations = Allocations - allocationsBefore, allocated = AllocatedBytes - bytesBefore;
    SetConsoleCtrlHandler(OnConsoleBreak, FALSE);
    BreakTarget = nullptr;

    // The run's log has named the error log where it wrote rows; closing
    // it puts every row on disk before the figures are read.
    FreeErrorLog();

    // The throughput counts the mailbox data the run opened, not the index
    // files beside it.
    std::int64_t bytes = 0;
    for (const std::string& mailbox : host.Mailboxes()) {
        const std::int64_t size = GetFileSizeByName(driver.Settings()->GetMailboxFileOf(mailbox));
        if (size > 0)
            bytes += size;
    }
    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    const int messages = std::max(driver.Settings()->MessageCount, 1);
    std::printf("%.3f s, %.1f MB/s, peak working set %.1f MB, %.1f allocations per message, %.2f x the mailbox "
                "allocated\n",
                elapsed, elapsed > 0 ? mb / elapsed : 0.0, static_cast<double>(PeakWorkingSet()) / (1024.0 * 1024.0),
                static_cast<double>(allocations) / messages,
                bytes > 0 ? static_cast<double>(allocated) / static_cast<double>(bytes) : 0.0);
    std::fflush(stdout);
    return rc;
}
