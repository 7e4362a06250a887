#pragma once
// The system clipboard as one object: text in and out, format checks.
#include <windows.h>

#include <string>

#include "classlib/Classes.h"

class EClipboardException : public Exception { public: using Exception::Exception; };

class TClipboard {
public:
    TClipboard() = default;
    ~TClipboard();
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Nested: only the outermost pair opens and closes the system clipboard,
    // so several formats can be put on it as one entry.
    void Open();
    void Close();
    void Clear();
    bool HasFormat(UINT Format) const;
    // CF_TEXT; empty when the clipboard holds no text.
    std::string AsText();
    // CF_UNICODETEXT, which the system offers for text put as CF_TEXT too:
    // names the code page cannot hold come whole.
    std::wstring AsWideText();
    // Replaces the whole clipboard content with Value.
    void SetAsText(const std::string& Value);
    // The same as CF_UNICODETEXT, which the system offers as CF_TEXT too.
    void SetAsWideText(const std::wstring& Value);

private:
    HWND OwnerWindow();
    void SetData(UINT Format, const void* Bytes, std::size_t Size);
    HWND FOwner = nullptr;
    int FOpenRefCount = 0;
    bool FEmptied = false;
};

// The program's one clipboard object.
TClipboard& Clipboard();
