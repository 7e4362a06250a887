#pragma once
// Form storage in tests: write a root to bytes, read bytes into a root, and
// compare every stored published property of two objects.
#include <gtest/gtest.h>

#include <string>

#include "classlib/Controls.h"
#include "classlib/Filer.h"

inline std::string WriteForm(TComponent* Root)
{
    TStringStream S;
    TWriter W(&S);
    W.WriteRootComponent(Root);
    return S.DataString();
}

inline void ReadForm(const std::string& Bytes, TComponent* Root)
{
    TStringStream S(Bytes);
    TReader R(&S);
    R.ReadRootComponent(Root);
}

// Every stored property of A equals B's, object properties included.
inline void ExpectSameStored(const TPersistent* A, const TPersistent* B, const std::string& Path = "")
{
    const TPropertyTable* T = A->Properties();
    if (!T) {
        // Only defined values: the same bytes.
        TStringStream SA, SB;
        TWriter WA(&SA), WB(&SB);
        WA.WriteProperties(A, nullptr);
        WB.WriteProperties(B, nullptr);
        EXPECT_EQ(SA.DataString(), SB.DataString()) << Path;
        return;
    }
    for (const TPropInfo* P : T->All()) {
        SCOPED_TRACE(Path + P->Name);
        if (P->Stored && !P->Stored(A))
            continue;
        if (P->GetObj) {
            ExpectSameStored(P->GetObj(A), P->GetObj(B), Path + P->Name + ".");
        } else if (P->GetRef) {
            const TComponent *RA = P->GetRef(A), *RB = P->GetRef(B);
            EXPECT_EQ(RA ? RA->Name() : "", RB ? RB->Name() : "");
        } else if (P->GetStr) {
            EXPECT_EQ(P->GetStr(A), P->GetStr(B));
        } else if (P->GetOrd) {
            EXPECT_EQ(P->GetOrd(A), P->GetOrd(B));
        }
    }
}

// A stream written by hand: the root's class and name, then Fill writes the
// root's properties; no children.
template <typename F>
std::string HandWritten(const std::string& ClassName, F Fill)
{
    TStringStream S;
    TWriter W(&S);
    W.WriteSignature();
    W.WriteStr(ClassName);
    W.WriteStr("");
    Fill(W);
    W.WriteStr("");
    W.WriteStr("");
    return S.DataString();
}
