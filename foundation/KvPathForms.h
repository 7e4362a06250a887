#pragma once
// The forms of one path, in one place: the system's full form, the "\\?\"
// form that the wide API opens at any length, and the long forms, level by
// level on disk. Wide text throughout: the names may lie outside the code
// page. The full plain form, the "\\?\" form itself, the short form and
// the ANSI form that opens a path are built in classlib/PathForms, which
// every layer shares.

#include <windows.h>

#include <cstddef>
#include <string>

#include "classlib/PathForms.h"

// FullPlainPath of an ANSI path, as ANSI text: where it was typed (a
// target, a source pattern) a path is made plain once, so that every form
// made of it later, "\\?\" forms among them, names what the user meant.
std::string FullPlainAnsiPath(const std::string& Path);
// Path with the trailing dots and blanks of every level after its root
// dropped, as the ANSI calls read a typed path, so that the "\\?\" forms
// made of it name the same folders. A level of dots and blanks alone and a
// final backslash stay.
std::wstring TrimmedPathLevels(const std::wstring& Path);
// Path with each level that may be a short name (one holding a "~") by
// the long name it has on disk, at any length; from the first level that
// is not found on, the path stays as it is.
std::wstring LongPathName(const std::wstring& Path);

// The longest path the wide API takes.
inline constexpr std::size_t MaxLongPath = 32767;
bool IsLongPath(const std::string& Path);
// The wide path the wide API opens: with "\\?\" (or "\\?\UNC\") before a
// long absolute path, slashes made backslashes; else Path made wide.
std::wstring LongPathForm(const std::string& Path);
// The long form of an ANSI path, perhaps a short one that a finder gave,
// by LongPathName; the path itself, made wide, when it has none.
std::wstring LongPathOf(const std::string& Path);
// The full form the system gives an ANSI path, as the ANSI calls read it:
// unlike FullPlainPath's, a trailing dot or blank of the last level is
// dropped. Nothing is read from disk; empty when the system gives none, so
// that a path never passes unresolved.
std::wstring SystemFullPathOf(const std::string& Path);
// The long form of an existing full path as the system gives it, every
// level by its name on disk, within MaxLongPath; empty when any level is
// missing. LongPathName looks up only levels holding a "~", at any length,
// and keeps a missing rest as it is.
std::wstring ExistingLongPath(const std::wstring& Full);
// SystemFullPathOf's form with its longest existing head by its long form,
// so a store's file named by its short path is seen where it lies.
std::wstring LongFullPathOf(const std::string& Path);
