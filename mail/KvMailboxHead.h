#pragma once
// A mailbox file's head: its first bytes, what may stand ahead of its first
// separator (a byte-order mark, blank lines, NUL padding), and the sniff
// that tells an mbox file or a single message from anything else.

#include <windows.h>

#include <cstddef>
#include <string>

// SniffMailboxFile's answers; the numbers are the ones the program has
// always given them.
enum class TMailboxSniff : int {
    None = 0,  // anything else, also a file that is missing or can't be read
    Mbox = 7,
    Message = 42,
};

TMailboxSniff SniffMailboxFile(const std::string& FileName);
// The length of a UTF-8 byte-order mark at Head's start; 0 without one.
std::size_t BomLength(const std::string& Head);
// The mark and the padding ahead of the first separator.
std::size_t PaddingLength(const std::string& Head);
// The file's first bytes (more of them while all that was read is padding);
// 0 when they were read or the file is missing, else the error met opening
// it (a sharing violation when its mail program holds it).
DWORD ReadMailboxHead(const std::string& FileName, std::string& Head);
// The same from an open file, read from where its position stands.
void ReadMailboxHeadFrom(HANDLE File, std::string& Head);
TMailboxSniff SniffHead(const std::string& Head);
// Whether the file's name is a device's. Under Wine AUX and COM1 are serial
// ports: opening one never returns.
bool IsDeviceFile(const std::string& FileName);
