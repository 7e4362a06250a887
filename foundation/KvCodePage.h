#pragma once
// Code pages and MIME charset names, and which code pages can stand in for
// each other.

#include <string>

std::string CodePageToCharset(int CodePage);
// The charset name that labels text held in CodePage's own bytes: the
// table's name, except where that names another encoding of the same
// characters (932's "iso-2022-jp" is a 7-bit form; its bytes are Shift-JIS).
std::string CharsetOfBytes(int CodePage);
// Lower-case names only; -1 when unknown. A name of digits that does not
// fit 32 bits raises EConvertError.
int CharsetToCodePage(const std::string& Name);
int WindowsCodePageOf(int CodePage);

bool IsLatin1CodePage(int CodePage);
bool CodePagesCompatible(int A, int B);
bool IsSupportedCodePage(int CodePage);
