// The tabbed list box: columns on tab stops that are set by hand, computed
// from the widest text of each column, or taken from a header's sections;
// rows are drawn with TabbedTextOut on the same stops.
#include <algorithm>

#include "classlib/Cleanup.h"
#include "classlib/ComCtrls.h"
#include "controls/RzLstBox.h"

namespace {

// LB_SETTABSTOPS takes dialog units, four to an average character.
constexpr int DialogUnitsPerChar = 4;
constexpr int MaxTabStops = 1000;
// Room left between a column's widest text and the next stop, in
// characters.
constexpr int ColumnGapChars = 4;

// The position just after the Column-th tab of Row, or npos.
size_t CellStart(const std::string& Row, int Column)
{
    if (Column < 0)
        return std::string::npos;
    size_t Pos = 0;
    for (int I = 0; I < Column; ++I) {
        const size_t Tab = Row.find('\t', Pos);
        if (Tab == std::string::npos)
            return std::string::npos;
        Pos = Tab + 1;
    }
    return Pos;
}

// The text of Font's glyphs in pixels, tabs on Stops (pixels).
int TabbedWidth(HDC DC, const std::string& Text, std::vector<int>& Stops)
{
    const DWORD Size = GetTabbedTextExtentA(DC, Text.c_str(), static_cast<int>(Text.size()),
                                            static_cast<int>(Stops.size()), Stops.empty() ? nullptr : Stops.data());
    return LOWORD(Size);
}

} // namespace

std::string TabbedCell(const std::string& Row, int Column)
{
    const size_t Start = CellStart(Row, Column);
    if (Start == std::string::npos)
        throw EListError("Column parameter out of range");
    const size_t End = Row.find('\t', Start);
    return Row.substr(Start, End == std::string::npos ? std::string::npos : End - Start);
}

std::string WithTabbedCell(const std::string& Row, int Column, const std::string& Value)
{
    const size_t Start = CellStart(Row, Column);
    if (Start == std::string::npos)
        throw EListError("Column parameter out of range");
    const size_t End = Row.find('\t', Start);
    return Row.substr(0, Start) + Value + (End == std::string::npos ? std::string() : Row.substr(End));
}

// ---------------------------------------------------------------------------
// TRzTabStopList
// ---------------------------------------------------------------------------

TRzTabStopList::TRzTabStopList()
{
    // A range as wide as int, but one in force (an empty range checks
    // nothing).
    SetMin(-2147483647);
    SetMax(2147483647);
    SetDuplicates(dupAccept);
}

void TRzTabStopList::Changed()
{
    if (FListBox)
        FListBox->ApplyTabStops();
}

void TRzTabStopList::Put(int Index, int Value)
{
    TRzIntegerList::Put(Index, Value);
    Changed();
}

int TRzTabStopList::Add(int Value)
{
    const int Index = TRzIntegerList::Add(Value);
    Changed();
    return Index;
}

void TRzTabStopList::Delete(int Index)
{
    TRzIntegerList::Delete(Index);
    Changed();
}

void TRzTabStopList::Insert(int Index, int Value)
{
    TRzIntegerList::Insert(Index, Value);
    Changed();
}

// ---------------------------------------------------------------------------
// TRzCustomTabbedListBox
// ---------------------------------------------------------------------------

TRzCustomTabbedListBox::TRzCustomTabbedListBox(TComponent* AOwner)
    : TRzCustomListBox(AOwner), FTabStops(std::make_unique<TRzTabStopList>())
{
    FTabStops->SetListBox(this);
    SetShowItemHints(false);
}

TRzCustomTabbedListBox::~TRzCustomTabbedListBox()
{
    FTabStops->SetListBox(nullptr);
}

void TRzCustomTabbedListBox::CreateParams(TCreateParams& Params)
{
    TRzCustomListBox::CreateParams(Params);
    Params.Style |= LBS_USETABSTOPS;
}

void TRzCustomTabbedListBox::CreateWnd()
{
    TRzCustomListBox::CreateWnd();
    AutoCompute();
    ApplyTabStops();
}

void TRzCustomTabbedListBox::Loaded()
{
    TRzCustomListBox::Loaded();
    AutoCompute();
    ApplyTabStops();
}

void TRzCustomTabbedListBox::FontChanged()
{
    FCharWidth = std::max(1, GetAvgCharWidth(Font()));
    AutoCompute();
    ApplyTabStops();
}

void TRzCustomTabbedListBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT:
        TRzCustomListBox::WndProc(Message);
        AutoCompute();
        return;
    default:
        break;
    }
    TRzCustomListBox::WndProc(Message);
}

void TRzCustomTabbedListBox::AutoCompute()
{
    if (FTabStopsMode == tsmAutomatic)
        ComputeTabStops();
}

void TRzCustomTabbedListBox::SetTabStops(const TRzTabStopList* Value)
{
    ++FApplying;
    {
        TScopeExit Done([this] { --FApplying; });
        FTabStops->Assign(Value);
    }
    ApplyTabStops();
}

void TRzCustomTabbedListBox::SetTabStopsMode(TRzTabStopsMode Value)
{
    if (StoreChanged(FTabStopsMode, Value))
        AutoCompute();
}

std::vector<int> TRzCustomTabbedListBox::GetTabStops()
{
    std::vector<int> Values;
    const int N = std::min(FTabStops->Count(), MaxTabStops);
    for (int I = 0; I < N; ++I)
        Values.push_back(FTabStops->Items(I) * DialogUnitsPerChar);
    return Values;
}

std::vector<int> TRzCustomTabbedListBox::PixelTabStops()
{
    std::vector<int> Values = GetTabStops();
    for (int& V : Values)
        V = V * FCharWidth / DialogUnitsPerChar;
    return Values;
}

void TRzCustomTabbedListBox::ApplyTabStops()
{
    if (FApplying > 0 || !HandleAllocated())
        return;
    std::vector<int> Values = GetTabStops();
    SendMessageA(WindowHandle(), LB_SETTABSTOPS, Values.size(),
                 Values.empty() ? 0 : reinterpret_cast<LPARAM>(Values.data()));
    Invalidate();
}

std::string TRzCustomTabbedListBox::GetCell(int Column, int Row)
{
    if (Row < 0 || Row >= Items()->Count())
        throw EListError("Row parameter out of range");
    return TabbedCell(Items()->Get(Row), Column);
}

void TRzCustomTabbedListBox::SetCell(int Column, int Row, const std::string& Value)
{
    if (Row < 0 || Row >= Items()->Count())
        throw EListError("Row parameter out of range");
    Items()->Put(Row, WithTabbedCell(Items()->Get(Row), Column, Value));
}

void TRzCustomTabbedListBox::ComputeTabStops()
{
    if (HasState(csLoading) || HasState(csDestroying))
        return;
    std::vector<std::string> Rows;
    std::vector<bool> Groups;
    size_t Columns = 0;
    for (int I = 0; I < Items()->Count(); ++I) {
        Rows.push_back(Items()->Get(I));
        Groups.push_back(IsGroup(I));
        Columns = std::max(Columns, static_cast<size_t>(std::count(Rows.back().begin(), Rows.back().end(), '\t')));
        if (Groups.back())
            Rows.back() = Rows.back().substr(GroupPrefix().size());
    }
    std::vector<int> Stops;
    {
        TWindowDC DC(nullptr, GetDC(nullptr));
        const HGDIOBJ Old = SelectObject(DC.Get(), Font()->Handle());
        TScopeExit Restore([&] { SelectObject(DC.Get(), Old); });
        TFont* GroupFont = SyncedGroupFont();
        for (size_t C = 0; C < Columns; ++C) {
            int Widest = 0;
            for (size_t R = 0; R < Rows.size(); ++R) {
                const size_t Tab = Rows[R].find('\t');
                if (Tab == std::string::npos)
                    continue;
                const std::string Cell = Rows[R].substr(0, Tab);
                Rows[R] = Rows[R].substr(Tab + 1);
                SelectObject(DC.Get(), Groups[R] ? GroupFont->Handle() : Font()->Handle());
                int W = TRzCustomListBox::TextWidth(DC.Get(), Cell);
                if (!Groups[R] && C == 0)
                    W += GetFirstColumnExtra();
                Widest = std::max(Widest, W);
            }
            Stops.push_back(Widest / FCharWidth + (Stops.empty() ? 0 : Stops.back()) + ColumnGapChars);
        }
    }
    ++FApplying;
    {
        TScopeExit Done([this] { --FApplying; });
        FTabStops->Clear();
        for (int S : Stops)
            FTabStops->Add(S);
    }
    ApplyTabStops();
}

void TRzCustomTabbedListBox::UpdateFromHeader(TControl* Header)
{
    auto* Old = dynamic_cast<THeader*>(Header);
    auto* New = dynamic_cast<THeaderControl*>(Header);
    if (!Old && !New)
        throw EHeaderError("Only THeader and THeaderControl components can be passed to "
                           "TRzCustomTabbedListBox.UpdateFromHeader");
    const int Sections = Old ? Old->Sections()->Count() : New->Sections()->Count();
    auto Width = [&](int I) { return Old ? Old->SectionWidth(I) : New->Sections()->Items(I)->Width(); };
    const int Last = std::min(FTabStops->Count() - 1, Old ? Sections - 2 : Sections - 1);
    ++FApplying;
    {
        TScopeExit Done([this] { --FApplying; });
        int Total = 0;
        for (int I = 0; I <= Last; ++I) {
            Total += Width(I);
            if (FTabStops->Items(I) >= 0)
                FTabStops->Put(I, Total / FCharWidth + 1);
            else if (New && I == Sections - 1)
                FTabStops->Put(I, 1 - New->Width() / FCharWidth);
            else
                FTabStops->Put(I, 1 - (Total + Width(I + 1)) / FCharWidth);
        }
    }
    ApplyTabStops();
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

int TRzCustomTabbedListBox::TextWidth(HDC DC, const std::string& Text)
{
    std::vector<int> Stops = PixelTabStops();
    return TabbedWidth(DC, Text, Stops);
}

void TRzCustomTabbedListBox::DrawTabbedText(const std::string& Text, const TRect& Rect, bool Transparent)
{
    TCanvas* C = Canvas();
    const HDC DC = C->Handle();
    const int Saved = SaveDC(DC);
    TScopeExit Restore([&] { RestoreDC(DC, Saved); });
    SelectObject(DC, C->Font()->Handle());
    SetTextColor(DC, ColorToRef(C->Font()->Color()));
    SetBkColor(DC, ColorToRef(C->Brush()->Color()));
    SetBkMode(DC, Transparent ? TRANSPARENT : OPAQUE);
    const bool RightToLeft = UseRightToLeftAlignment();
    SetTextAlign(DC, RightToLeft ? TA_RIGHT | TA_RTLREADING | TA_TOP : TA_LEFT | TA_TOP);
    IntersectClipRect(DC, Rect.left, Rect.top, Rect.right, Rect.bottom);
    std::vector<int> Stops = PixelTabStops();
    SIZE Pp{};
    GetTextExtentPoint32A(DC, "Pp", 2, &Pp);
    const int X = RightToLeft ? Rect.right - 2 : Rect.left + 2;
    const int Y = Rect.top + (Rect.Height() - static_cast<int>(Pp.cy)) / 2;
    TabbedTextOutA(DC, X, Y, Text.c_str(), static_cast<int>(Text.size()), static_cast<int>(Stops.size()),
                   Stops.empty() ? nullptr : Stops.data(), X);
}

void TRzCustomTabbedListBox::DrawItemText(int Index, TRect Rect, TOwnerDrawState)
{
    Canvas()->FillRect(Rect);
    DrawTabbedText(ItemText(Index), Rect, false);
}

void TRzCustomTabbedListBox::DrawGroup(int Index, TRect Rect, TOwnerDrawState State)
{
    DrawTabbedText(PaintGroupRow(Index, Rect, State), Rect, true);
}
