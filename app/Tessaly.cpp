#include <windows.h>

#include "app/Main.h"
#include "app/TessalyStart.h"
#include "classlib/Forms.h"
#include "foundation/KvParam.h"

namespace {

// A main form closed while a conversion is on the stack frees itself once
// the run has unwound; a form closed while idle is left to the program.
// This watch tells the two apart, so the form is freed exactly once.
class TMainFormWatch : public TComponent {
public:
    explicit TMainFormWatch(TfrmTessaly*& Form) : TComponent(nullptr), FForm(Form) { FForm->FreeNotification(this); }
    ~TMainFormWatch() override
    {
        if (FForm)
            FForm->RemoveFreeNotification(this);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FForm)
            FForm = nullptr;
    }

private:
    TfrmTessaly*& FForm;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        StartProgram(*CommandLine);
    } catch (...) {
        // Without its settings and tables the program cannot run; say why.
        Application->HandleException(nullptr);
        return 1;
    }
    TfrmTessaly* Form = new TfrmTessaly(nullptr);
    {
        TMainFormWatch Watch(Form);
        Application->SetMainForm(Form);
        Application->Run();
        if (Form)
            Form->Free();
    }
    return 0;
}
