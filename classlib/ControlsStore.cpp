// Form storage of controls: every published property in table order, a
// control read back joining the parent whose children are read, and the
// children a windowed control writes.
#include <climits>

#include "classlib/Controls.h"
#include "classlib/Filer.h"

std::vector<const TPropInfo*> TPropertyTable::All() const
{
    std::vector<const TPropertyTable*> Chain;
    for (const TPropertyTable* T = this; T; T = T->FBase)
        Chain.push_back(T);
    std::vector<const TPropInfo*> Out;
    for (auto T = Chain.rbegin(); T != Chain.rend(); ++T)
        for (const TPropInfo& P : (*T)->FProps) {
            const TPropInfo* Own = Find(P.Name); // the most derived one of that name
            bool Seen = false;
            for (const TPropInfo* O : Out)
                Seen = Seen || O == Own;
            if (!Seen)
                Out.push_back(Own);
        }
    return Out;
}

void TControl::ReadState(TReader* Reader)
{
    if (auto P = dynamic_cast<TWinControl*>(Reader->Parent()))
        SetParent(P);
    TComponent::ReadState(Reader);
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root)
{
    for (int I = 0; I < ControlCount(); ++I)
        if (TControl* C = Controls(I); C->Owner() == Root)
            Proc(C);
    // The root also writes the components it owns that are no controls.
    if (Root == this)
        for (int I = 0; I < ComponentCount(); ++I)
            if (TComponent* C = Components(I); !dynamic_cast<TControl*>(C))
                Proc(C);
}

namespace {

// One side of a control's padding; a padding is never negative.
TPropInfo PaddingSide(const char* Name, LONG RECT::*Side)
{
    const auto Control = [](const TObject* O) { return static_cast<const TPadding*>(O)->Control(); };
    TPropInfo P;
    P.Name = Name;
    P.GetOrd = [Control, Side](const TObject* O) { return static_cast<TPropOrd>(Control(O)->Padding().*Side); };
    P.SetOrd = [Control, Side](TObject* O, TPropOrd V) {
        TRect R = Control(O)->Padding();
        R.*Side = static_cast<LONG>(V);
        Control(O)->SetPadding(R);
    };
    P.Bounds = {0, INT_MAX};
    P.Stored = [Control, Side](const TObject* O) { return Control(O)->Padding().*Side != 0; };
    return P;
}

} // namespace

const TPropertyTable* TPadding::Properties() const
{
    static const TPropertyTable Table(nullptr, {
        PaddingSide("Left", &RECT::left),
        PaddingSide("Top", &RECT::top),
        PaddingSide("Right", &RECT::right),
        PaddingSide("Bottom", &RECT::bottom),
    });
    return &Table;
}

const TPropertyTable* TFont::Properties() const
{
    // Height, not Size: the pixels a form was laid out with.
    TPropInfo Name;
    Name.Name = "Name";
    Name.GetStr = [](const TObject* O) { return static_cast<const TFont*>(O)->Name(); };
    Name.SetStr = [](TObject* O, const std::string& V) { static_cast<TFont*>(O)->SetName(V); };
    static const TPropertyTable Table(nullptr, {
        OrdProp("Charset", &TFont::Charset, &TFont::SetCharset),
        OrdProp("Color", &TFont::Color, &TFont::SetColor),
        SubrangeProp(OrdProp("Height", &TFont::Height, &TFont::SetHeight), -MaxStoredFontHeight, MaxStoredFontHeight),
        Name,
        OrdProp("Pitch", &TFont::Pitch, &TFont::SetPitch),
        BitSetProp(OrdProp("Style", &TFont::Style, &TFont::SetStyle), fsBold | fsItalic | fsUnderline | fsStrikeOut),
    });
    return &Table;
}
