#pragma once
// Helpers that build mailbox trees on disk and read the converted ones back.

#include <windows.h>

#include <map>
#include <string>

// Files below Folder by relative path, with their bytes.
inline void ListTreeFiles(const std::string& Folder, const std::string& Prefix,
                          std::map<std::string, std::string>& Files)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((Folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = Folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListTreeFiles(path, Prefix + name + "\\", Files);
            continue;
        }
        std::string bytes;
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            char buf[65536];
            DWORD got = 0;
            while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0)
                bytes.append(buf, got);
            CloseHandle(f);
        }
        Files[Prefix + name] = bytes;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

inline std::map<std::string, std::string> TreeFiles(const std::string& Folder)
{
    std::map<std::string, std::string> files;
    ListTreeFiles(Folder, "", files);
    return files;
}

// Writes Bytes to Path, making its folders first.
inline void PutFile(const std::string& Path, const std::string& Bytes)
{
    for (size_t p = Path.find('\\', 3); p != std::string::npos; p = Path.find('\\', p + 1))
        CreateDirectoryA(Path.substr(0, p).c_str(), nullptr);
    HANDLE f = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &put, nullptr);
    CloseHandle(f);
}
