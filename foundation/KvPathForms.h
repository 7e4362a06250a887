#pragma once
// The forms of one path, in one place: the full plain form (absolute, with
// ".", ".." and empty levels resolved), the "\\?\" form that the wide API
// opens at any length, and the long form, level by level on disk. Wide text throughout: the names may lie outside the code page.
// The "\\?\" form itself, the short form and the ANSI form that opens a
// path are built in classlib/PathForms, which every layer shares.

#include <cstddef>
#include <string>

#include "classlib/PathForms.h"

// Path made absolute, slashes made backslashes, "." levels and empty ones
// dropped and ".." levels resolved, never above the drive or share; a
// final backslash is kept, and given where the last level was "." or "..".
// A "\\?\" or "\\.\" path and an empty text stay as they are.
std::wstring FullPlainPath(const std::wstring& Path);
// FullPlainPath of an ANSI path, as ANSI text: where it was typed (a
// target, a source pattern) a path is made plain once, so that every form
// made of it later, "\\?\" forms among them, names what the user meant.
std::string FullPlainAnsiPath(const std::string& Path);
// How many characters of Path name its root: the prefix, then "C:\" (or
// "C:" before a relative rest) or "\\server\share\"; 0 for a relative path.
std::size_t PathRootLength(const std::wstring& Path);
// Path with each level that may be a short name (one holding a "~") by
// the long name it has on disk, at any length; from the first level that
// is not found on, the path stays as it is.
std::wstring LongPathName(const std::wstring& Path);
