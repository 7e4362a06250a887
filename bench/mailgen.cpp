// mailgen: writes a large realistic mbox for the benchmarks.
//   mailgen <file> <size> [--seed N] [--eol lf|crlf|cr] [--count N] [--subjects mixed|same|distinct]
// The size is a floor (100M, 2G, 1048576...): messages are added until the
// file reaches it, or until there are --count messages when that is given.
// The same seed, line end and subjects always give the same bytes.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/MailGen.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: mailgen <file> <size> [--seed N] [--eol lf|crlf|cr] [--count N] "
                         "[--subjects mixed|same|distinct]\n");
    return 2;
}

bool WriteAll(HANDLE File, const std::string& Data)
{
    std::size_t done = 0;
    while (done < Data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Data.size() - done, 1u << 24));
        DWORD wrote = 0;
        if (!WriteFile(File, Data.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return false;
        done += wrote;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string fileName = argv[1];
    std::uint64_t size = 0;
    if (!ParseGenSize(argv[2], size))
        return Usage();
    std::uint64_t seed = 1;
    TGenLineEnd eol = TGenLineEnd::Lf;
    TGenSubjects subjects = TGenSubjects::Mixed;
    std::uint64_t count = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--seed" || a == "--count") && i + 1 < argc) {
            char* end = nullptr;
            (a == "--seed" ? seed : count) = std::strtoull(argv[++i], &end, 10);
            if (!end || *end)
                return Usage();
        } else if (a == "--subjects" && i + 1 < argc) {
            if (!ParseGenSubjects(argv[++i], subjects))
                return Usage();
        } else if (a == "--eol" && i + 1 < argc) {
            if (!ParseGenLineEnd(argv[++i], eol))
                return Usage();
        } else {
            return Usage();
        }
    }

    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "mailgen: cannot create %s (error %lu)\n", fileName.c_str(), GetLastError());
        return 1;
    }
    TMailGenerator gen(seed, eol, subjects);
    std::string buffer;
    constexpr std::size_t FlushAt = 4u << 20;
    bool ok = true;
    while (ok && (count > 0 ? gen.Stats().Messages < count : gen.Stats().Bytes < size)) {
        gen.NextMessage(buffer);
        if (buffer.size() >= FlushAt) {
            ok = WriteAll(file, buffer);
            buffer.clear();
        }
    }
    ok = ok && WriteAll(file, buffer);
    ok = CloseHandle(file) && ok;
    if (!ok) {
        std::fprintf(stderr, "mailgen: cannot write %s (error %lu)\n", fileName.c_str(), GetLastError());
        return 1;
    }
    const TMailGenStats& s = gen.Stats();
    std::printf("%llu bytes, %llu messages, %llu attachments, %llu encoded subjects, "
                "%llu quoted and %llu unquoted From lines in bodies\n",
                static_cast<unsigned long long>(s.Bytes), static_cast<unsigned long long>(s.Messages),
                static_cast<unsigned long long>(s.Attachments), static_cast<unsigned long long>(s.EncodedSubjects),
                static_cast<unsigned long long>(s.QuotedFromLines),
                static_cast<unsigned long long>(s.UnquotedFromLines));
    return 0;
}
