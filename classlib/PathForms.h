#pragma once
// The "\\?\" form of a path, which the wide API opens at any length, and
// the ANSI/wide pair of the code page, in one place for every layer: the
// prefix is built here only, with the one rule for network shares.

#include <cstddef>
#include <string>

// The "\\?\" form of an absolute path: "\\?\C:\x" for "C:\x" and
// "\\?\UNC\server\share\x" for "\\server\share\x", slashes made
// backslashes. A path in that form already, a device path ("\\.\") and a
// relative one stay as they are. Nothing is resolved here: the path must
// be full and plain already, as "." and ".." mean nothing behind the
// prefix.
std::wstring PrefixedPath(const std::wstring& Path);
// Path without its "\\?\" (or "\\?\UNC\") prefix.
std::wstring UnprefixedPath(const std::wstring& Path);
// How many characters of Path are its "\\?\" or "\\?\UNC\" prefix; 0 when
// it has none.
std::size_t PathPrefixLength(const std::wstring& Path);
// Whether an ANSI path begins with "\\?\".
bool HasLongPathPrefix(const std::string& Path);
// Whether Path begins with the device prefix "\\.\".
bool IsDevicePath(const std::wstring& Path);
// Path with each level by its short name where it has one, at any length;
// empty when it names nothing on disk. A prefix given is kept.
std::wstring ShortPathName(const std::wstring& Path);
// Path in a form the ANSI API opens: its ANSI text when that is exact,
// else its short form; empty when neither exists.
std::string OpenableAnsiPath(const std::wstring& Path);

// ANSI text of the code page as wide text.
std::wstring AnsiToWide(const std::string& Text);
// Wide text in the code page, up to its first NUL; a character the code
// page lacks goes by its nearest one.
std::string WideToAnsi(const wchar_t* Text);
// Wide text in the code page; Lost tells whether a character the code page
// lacks was replaced (no nearest ones are taken: a path made of them would
// name another file).
std::string WideToAnsi(const std::wstring& Text, bool& Lost);
