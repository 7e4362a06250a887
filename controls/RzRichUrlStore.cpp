// Form storage of the unit: its property tables and the values stored
// besides them.
#include "classlib/Filer.h"
#include "controls/RzRichUrl.h"

const TPropertyTable* TRzRichEdit::Properties() const
{
    return &ClassProperties();
}

const TPropertyTable& TRzRichEdit::ClassProperties()
{
    static const TPropertyTable Table(&TRzFramedEdit<TCustomRichEdit>::ClassProperties(), {
        ObjProp("Lines", &TRzRichEdit::Lines),
    });
    return Table;
}

namespace {

bool EndsInBreak(const std::string& Text)
{
    return !Text.empty() && (Text.back() == '\n' || Text.back() == '\r');
}

} // namespace

// The lines read back end each in a break; a text whose last line had none
// says so, and the break the lines gave it is taken off again.
void TRzRichEdit::DefineProperties(TFiler* Filer)
{
    TRzFramedEdit<TCustomRichEdit>::DefineProperties(Filer);
    const bool Unended = dynamic_cast<TWriter*>(Filer) && !Text().empty() && !EndsInBreak(Text());
    Filer->DefineProperty(
        "LastLineBreak",
        [this](TReader* R) {
            if (R->ReadBoolean())
                return;
            std::string T = Text();
            if (T.size() >= 2 && T.compare(T.size() - 2, 2, "\r\n") == 0)
                T.resize(T.size() - 2);
            else if (EndsInBreak(T))
                T.pop_back();
            SetText(T);
        },
        [](TWriter* W) { W->WriteBoolean(false); }, Unended);
}
