#pragma once
// Probes of what the file system will do with a path before a run relies
// on it: a folder that takes new files, a file that opens for writing, a
// name that opens a file on a disk rather than a FIFO or a device.

#include <windows.h>

#include <string>

// The answer of DiskFileProblem for a FIFO or a device.
inline constexpr const char* NotADiskFile = "it is a device, not a file";

// Empty when a new file can be made in Folder, else why not.
std::string FolderWriteProblem(const std::string& Folder);
// Empty when the existing file FileName can be opened for writing.
std::string FileWriteProblem(const std::string& FileName);
// Why FileName, opened with Access and Disposition, is no file on a disk
// (a FIFO, a device such as /dev/full, a name no file can have); empty
// when it is one. Created tells whether the open made the file.
std::string DiskFileProblem(const std::string& FileName, DWORD Access, DWORD Disposition, bool& Created);
