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
