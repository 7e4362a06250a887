#pragma once
// MD5 digests (RFC 1321) as 32 lower-case hex digits: message identity,
// MD5 file names, duplicate and changed-file detection.

#include <cstddef>
#include <cstdint>
#include <string>

std::string MD5HexOfBuffer(const void* Buffer, size_t Count);
std::string MD5HexOfString(const std::string& S);
// Count bytes from the 1-based Start (Start <= 1: from the first byte); a
// negative Count hashes the whole string. The range is clipped to the string.
std::string MD5HexOfStringRange(const std::string& S, int Start, int Count);
// Both raise the class library's file-stream error when the file can't be opened.
std::string MD5HexOfFile(const std::string& FileName);
// The first Count bytes of the file (0: the whole file; clipped to its size).
std::string MD5HexOfFileRange(const std::string& FileName, int64_t Count);
