#pragma once
// A scratch folder under the system temp path, removed with its files.

#include <windows.h>

#include <string>

class TTestFolder {
public:
    explicit TTestFolder(const char* Tag)
    {
        char Tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, Tmp);
        FPath = std::string(Tmp) + "tessaly_" + Tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(GetTickCount());
        CreateDirectoryA(FPath.c_str(), nullptr);
    }
    ~TTestFolder() { RemoveTree(FPath); }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    std::string File(const std::string& Name) const { return FPath + "\\" + Name; }
    const std::string& Path() const { return FPath; }

private:
    static void RemoveTree(const std::string& Dir)
    {
        WIN32_FIND_DATAA Fd;
        HANDLE H = FindFirstFileA((Dir + "\\*").c_str(), &Fd);
        if (H != INVALID_HANDLE_VALUE) {
            do {
                std::string N = Fd.cFileName;
                if (N == "." || N == "..")
                    continue;
                std::string P = Dir + "\\" + N;
                if (Fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(P);
                else {
                    SetFileAttributesA(P.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(P.c_str());
                }
            } while (FindNextFileA(H, &Fd));
            FindClose(H);
        }
        RemoveDirectoryA(Dir.c_str());
    }
    std::string FPath;
};
