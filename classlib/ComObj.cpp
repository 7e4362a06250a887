#include "classlib/ComObj.h"

void OleCheck(HRESULT Result)
{
    if (FAILED(Result)) {
        std::string Text = SysErrorMessage(static_cast<DWORD>(Result));
        if (Text.empty())
            Text = Format("OLE error %.8X", static_cast<unsigned>(Result));
        throw EOleSysError(Text, Result);
    }
}
