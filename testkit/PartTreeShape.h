#pragma once
// Reading a written message back with our own part tree: its structure as
// one line and the decoded bytes of a named part.

#include <string>

#include "mail/KvMime.h"

// "type[child,child]" down the tree; leaves with a file name add "(name)".
inline std::string PartTreeShape(const TKvMimeBlock& Block)
{
    std::string s = Block.ContentType;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (Block.ChildCount() == 0 && !Block.FileName.empty())
        s += "(" + Block.FileName + ")";
    if (Block.ChildCount() > 0) {
        s += "[";
        for (int i = 0; i < Block.ChildCount(); ++i)
            s += (i ? "," : "") + PartTreeShape(*Block.Child(i));
        s += "]";
    }
    return s;
}

inline TKvMimeBlock* FindNamedPart(TKvMimeBlock& Block, const std::string& Name)
{
    if (Block.ChildCount() == 0 && Block.FileName == Name)
        return &Block;
    for (int i = 0; i < Block.ChildCount(); ++i)
        if (TKvMimeBlock* b = FindNamedPart(*Block.Child(i), Name))
            return b;
    return nullptr;
}

// The decoded body of the part named Name; "<none>" when there is none.
inline std::string NamedPartBytes(TKvMimeBlock& Root, const std::string& Name)
{
    TKvMimeBlock* b = FindNamedPart(Root, Name);
    if (!b)
        return "<none>";
    std::string charset, text;
    b->GetDecodedText(charset, text);
    return text;
}
