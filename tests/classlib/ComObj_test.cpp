#include "classlib/ComObj.h"

#include <gtest/gtest.h>

#include <oleidl.h>

namespace {

// A drop source whose life the test watches.
class TWatchedSource : public TComObject<IDropSource> {
public:
    explicit TWatchedSource(bool& Alive) : TComObject(IID_IDropSource), FAlive(Alive) { FAlive = true; }
    ~TWatchedSource() override { FAlive = false; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return S_OK; }

private:
    bool& FAlive;
};

} // namespace

TEST(ComObject, CountsAnswersItsInterfaceAndFreesAtZero)
{
    bool Alive = false;
    auto Src = TComPtr<IDropSource>::AddRefOf(new TWatchedSource(Alive));
    EXPECT_TRUE(Alive);
    TComPtr<IUnknown> Unk;
    EXPECT_EQ(Src.As(IID_IUnknown, Unk), S_OK);
    TComPtr<IDropTarget> Target;
    EXPECT_EQ(Src.As(IID_IDropTarget, Target), E_NOINTERFACE);
    EXPECT_EQ(Target.Get(), nullptr);
    EXPECT_EQ(Src->QueryInterface(IID_IDropSource, nullptr), E_POINTER);

    TComPtr<IDropSource> Second = Src.Copy();
    Src.Reset();
    Unk.Reset();
    EXPECT_TRUE(Alive);
    TComPtr<IDropSource> Moved = std::move(Second);
    EXPECT_EQ(Second.Get(), nullptr);
    EXPECT_TRUE(Alive);
    Moved = TComPtr<IDropSource>();
    EXPECT_FALSE(Alive);
}

TEST(ComObject, OwnedPidlFreesAndHandsOver)
{
    // A shell-allocated block; CoTaskMemFree takes it back without
    // complaint, and a detached one is the caller's again.
    auto* Block = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
    Block->mkid.cb = 0;
    TPidl P(Block);
    TPidl Q = std::move(P);
    EXPECT_FALSE(P);
    EXPECT_EQ(Q.Get(), Block);
    LPITEMIDLIST Raw = Q.Detach();
    EXPECT_FALSE(Q);
    CoTaskMemFree(Raw);
    EXPECT_THROW(OleCheck(E_FAIL), EOleSysError);
    EXPECT_NO_THROW(OleCheck(S_FALSE));
}
