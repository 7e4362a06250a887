#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/KvFileProbes.h"
#include "foundation/KvFiles.h"
#include "testkit/TestFolder.h"

namespace {

// Each probe answers empty where the file system will do what a run asks,
// and the system's reason where it won't; the folder probe leaves nothing.
TEST(KvFileProbes, WhatTheFileSystemWillDo)
{
    TTestFolder dir("probes");
    EXPECT_EQ(FolderWriteProblem(dir.Path()), "");
    EXPECT_EQ(FolderWriteProblem(dir.Path()), "");
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(dir.File("*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    EXPECT_NE(FolderWriteProblem(dir.File("none")), "");

    const std::string file = dir.Write("a.txt", "x");
    EXPECT_EQ(FileWriteProblem(file), "");
    EXPECT_NE(FileWriteProblem(dir.File("none.txt")), "");
    // Held by a program that lets others read and write it, or lets no
    // one else in.
    for (const DWORD share : {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE), DWORD(0)}) {
        const TKernelHandle held(CreateFileA(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(FileWriteProblem(file).empty(), share != 0) << share;
    }

    bool created = true;
    EXPECT_EQ(DiskFileProblem(file, GENERIC_WRITE, OPEN_ALWAYS, created), "");
    EXPECT_FALSE(created);
    EXPECT_EQ(DiskFileProblem(dir.File("new.txt"), GENERIC_WRITE, OPEN_ALWAYS, created), "");
    EXPECT_TRUE(created);
    EXPECT_TRUE(IsExistingFile(dir.File("new.txt")));
    EXPECT_EQ(DiskFileProblem("NUL", GENERIC_WRITE, OPEN_EXISTING, created), NotADiskFile);
    EXPECT_FALSE(created);
    const std::string missing = DiskFileProblem(dir.File("none\\x.txt"), GENERIC_READ, OPEN_EXISTING, created);
    EXPECT_NE(missing, "");
    EXPECT_NE(missing, NotADiskFile);
}

}  // namespace
