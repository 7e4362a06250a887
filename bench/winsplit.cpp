// winsplit: the per-file floor under Wine. Cuts a file into Count pieces of
// equal size, each written as a file of its own through CreateFileA and
// WriteFile, as split -n does natively; the gap between the two is what Wine
// adds to every file the converter creates.
//   winsplit <file> <count> <folder> [names]
// The pieces are named x000000, x000001, ...; with a names file (one UTF-8
// name a line, as `ls` lists a folder the converter wrote) they take those
// names instead, since Wine's cost per file grows with the names in the
// folder as well as with their number. Its last line is its own time, from
// the first file made to the last closed, without Wine's process start.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchClock.h"

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: winsplit <file> <count> <folder> [names]\n");
        return 2;
    }
    std::vector<std::wstring> names;
    if (argc == 5) {
        FILE* list = std::fopen(argv[4], "rb");
        if (!list) {
            std::fprintf(stderr, "winsplit: cannot read %s\n", argv[4]);
            return 1;
        }
        char line[4096];
        while (std::fgets(line, sizeof line, list)) {
            std::string name = line;
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
                name.pop_back();
            const int n = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
            std::wstring wide(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide.data(), n);
            names.push_back(wide);
        }
        std::fclose(list);
    }
    const long count = std::strtol(argv[2], nullptr, 10);
    HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size{};
    if (count <= 0 || in == INVALID_HANDLE_VALUE || !GetFileSizeEx(in, &size)) {
        std::fprintf(stderr, "winsplit: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string folder = std::string(argv[3]) + "\\";
    CreateDirectoryA(argv[3], nullptr);
    std::vector<char> buffer(1 << 20);
    long long left = size.QuadPart;
    const LARGE_INTEGER start = Started();
    for (long i = 0; i < count; ++i) {
        long long piece = left / (count - i);
        left -= piece;
        char name[32];
        std::snprintf(name, sizeof name, "x%06ld", i);
        HANDLE out;
        if (static_cast<size_t>(i) < names.size()) {
            std::wstring path(folder.begin(), folder.end());
            out = CreateFileW((path + names[static_cast<size_t>(i)]).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        } else {
            out = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (out == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "winsplit: cannot create %s\n", name);
            return 1;
        }
        while (piece > 0) {
            const DWORD want = static_cast<DWORD>(piece < static_cast<long long>(buffer.size()) ? piece : buffer.size());
            DWORD got = 0, wrote = 0;
            if (!ReadFile(in, buffer.data(), want, &got, nullptr) || got == 0 ||
                !WriteFile(out, buffer.data(), got, &wrote, nullptr) || wrote != got) {
                std::fprintf(stderr, "winsplit: read or write failed\n");
                return 1;
            }
            piece -= got;
        }
        CloseHandle(out);
    }
    CloseHandle(in);
    std::printf("%.3f s\n", Seconds(start));
    return 0;
}
