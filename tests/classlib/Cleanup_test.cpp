#include "classlib/Cleanup.h"

#include "classlib/Classes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TThrown : std::runtime_error {
    TThrown() : std::runtime_error("thrown") {}
};

// Runs Body and swallows the exception it is expected to throw.
template <typename F>
void ThrowingScope(F Body)
{
    try {
        Body();
        ADD_FAILURE() << "the scope should have thrown";
    } catch (const TThrown&) {
    }
}

} // namespace

TEST(CleanupHandles, GivenBackWhenAnExceptionLeavesTheScope)
{
    // A named event lives as long as a handle to it: once the owner has
    // closed the only one, the name opens nothing.
    const std::string Name = "TessalyCleanupEvent" + std::to_string(GetCurrentProcessId());
    ThrowingScope([&] {
        TKernelHandle Event(CreateEventA(nullptr, TRUE, FALSE, Name.c_str()));
        ASSERT_TRUE(Event);
        TKernelHandle Again(OpenEventA(SYNCHRONIZE, FALSE, Name.c_str()));
        EXPECT_TRUE(Again) << "the event exists while owned";
        throw TThrown();
    });
    EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, Name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HKEY RawKey = nullptr;
    ThrowingScope([&] {
        TRegKey Key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, Key.Put()), ERROR_SUCCESS);
        RawKey = Key.Get();
        throw TThrown();
    });
    EXPECT_NE(RegCloseKey(RawKey), ERROR_SUCCESS) << "the key was closed already";

    // GDI objects that are deleted no longer have a type.
    HDC RawDC = nullptr;
    HGDIOBJ RawBrush = nullptr;
    ThrowingScope([&] {
        TOwnedDC DC(CreateCompatibleDC(nullptr));
        TGdiObject<HBRUSH> Brush(CreateSolidBrush(RGB(1, 2, 3)));
        RawDC = DC.Get();
        RawBrush = Brush.Get();
        EXPECT_EQ(GetObjectType(RawDC), static_cast<DWORD>(OBJ_MEMDC));
        EXPECT_EQ(GetObjectType(RawBrush), static_cast<DWORD>(OBJ_BRUSH));
        throw TThrown();
    });
    EXPECT_EQ(GetObjectType(RawDC), 0u);
    EXPECT_EQ(GetObjectType(RawBrush), 0u);
}

TEST(CleanupHandles, MovesHandOwnershipOnAndReleaseGivesItUp)
{
    TGdiObject<HBRUSH> First(CreateSolidBrush(RGB(9, 9, 9)));
    const HBRUSH Raw = First.Get();
    TGdiObject<HBRUSH> Second(std::move(First));
    EXPECT_FALSE(First);
    EXPECT_EQ(Second.Get(), Raw);
    TGdiObject<HBRUSH> Third;
    Third = std::move(Second);
    EXPECT_EQ(GetObjectType(Raw), static_cast<DWORD>(OBJ_BRUSH)) << "a move closes nothing";

    const HBRUSH Kept = Third.Release();
    EXPECT_FALSE(Third);
    EXPECT_EQ(GetObjectType(Kept), static_cast<DWORD>(OBJ_BRUSH)) << "released, not deleted";
    Third.Reset(Kept);
    Third.Reset();
    EXPECT_EQ(GetObjectType(Kept), 0u);

    // CreateFile's failure value is no handle at all.
    TKernelHandle Missing(CreateFileA("Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    EXPECT_FALSE(Missing);
}

TEST(CleanupDC, WindowDCIsReleasedOnceAndTheOldObjectSelectedBack)
{
    HWND Wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(Wnd, nullptr);
    HDC Raw = nullptr;
    ThrowingScope([&] {
        TWindowDC DC(Wnd);
        ASSERT_TRUE(DC);
        Raw = DC.Get();
        throw TThrown();
    });
    // A cache DC given back already cannot be given back again.
    EXPECT_EQ(ReleaseDC(Wnd, Raw), 0);

    {
        TWindowDC Outer;
        {
            TWindowDC Inner(Wnd);
            Raw = Inner.Get();
            Outer = std::move(Inner);
        }
        EXPECT_EQ(Outer.Get(), Raw) << "moved, not released";
        EXPECT_EQ(Outer.Window(), Wnd);

        TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, 1, RGB(200, 0, 0)));
        const HGDIOBJ Before = GetCurrentObject(Outer.Get(), OBJ_PEN);
        {
            TSelectedObject Selected(Outer.Get(), Pen.Get());
            EXPECT_EQ(Selected.Previous(), Before);
            EXPECT_EQ(GetCurrentObject(Outer.Get(), OBJ_PEN), Pen.Get());
        }
        EXPECT_EQ(GetCurrentObject(Outer.Get(), OBJ_PEN), Before);
    }
    EXPECT_EQ(ReleaseDC(Wnd, Raw), 0);
    DestroyWindow(Wnd);
}

TEST(CleanupScope, ExitActionRunsOnceUnlessDismissed)
{
    struct Case {
        const char* Name;
        bool Throw;
        bool Dismiss;
        bool Move;
        int Runs;
    } Cases[] = {
        {"normal way out", false, false, false, 1},
        {"exception", true, false, false, 1},
        {"dismissed", false, true, false, 0},
        {"moved to a new owner", false, false, true, 1},
        {"moved, then the exception", true, false, true, 1},
    };
    for (const Case& C : Cases) {
        int Runs = 0;
        try {
            TScopeExit Exit([&] { ++Runs; });
            if (C.Dismiss)
                Exit.Dismiss();
            if (C.Move) {
                TScopeExit Moved(std::move(Exit));
                EXPECT_EQ(Runs, 0) << C.Name;
                if (C.Throw)
                    throw TThrown();
            }
            if (C.Throw)
                throw TThrown();
        } catch (const TThrown&) {
        }
        EXPECT_EQ(Runs, C.Runs) << C.Name;
    }
}

TEST(CleanupScope, UpdateScopeEndsTheUpdateOnEveryWayOut)
{
    TStringList List;
    int Changes = 0;
    List.OnChange = [&](TObject*) { ++Changes; };
    ThrowingScope([&] {
        TUpdateScope Update(List);
        List.Add("a");
        List.Add("b");
        EXPECT_EQ(List.UpdateCount(), 1);
        throw TThrown();
    });
    EXPECT_EQ(List.UpdateCount(), 0);
    EXPECT_EQ(Changes, 1) << "one change for the whole update";
}

TEST(CleanupScope, RestoreScopePutsTheValueBackOnEveryWayOut)
{
    std::string Value = "kept";
    ThrowingScope([&] {
        TRestoreScope Saved(Value);
        Value = "changed";
        throw TThrown();
    });
    EXPECT_EQ(Value, "kept");
}
