#pragma once
// Helpers that build mailbox trees on disk and read the converted ones back.

#include <windows.h>

#include <map>
#include <string>

#include "tests/TestFolder.h"

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
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTreeFiles(path, Prefix + name + "\\", Files);
        else
            Files[Prefix + name] = TTestFolder::Read(path);
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
    TTestFolder::Put(Path, Bytes);
}
