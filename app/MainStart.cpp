// The main form's deferred start-up: the parts that need the window and
// the controls, run once the window exists and before the stored
// placement and settings are applied.
#include "app/Main.h"

#include "app/KvAppServices.h"
#include "app/KvAppStart.h"
#include "app/KvHelp.h"
#include "app/KvRichPnl.h"
#include "app/TessalyStart.h"
#include "classlib/Forms.h"
#include "controls/RzLabel.h"
#include "controls/RzPanel.h"
#include "controls/RzRadChk.h"
#include "controls/RzRichUrl.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvFont.h"

namespace {

// Of the six stored placement values the main form reads and writes only
// the width and height: it opens at its stored size where its start puts
// it, never maximised and never at a kept position.
constexpr int MainPlacementMode = 2;

void OnePointLarger(TControl* Control)
{
    TFont* F = Control->Font();
    F->SetSize(F->Size() + 1);
}

} // namespace

void TfrmTessaly::InitializeMainForm()
{
    ResetPlacement = GWizardSwitches.ResetWindow;
    PlacementMode = MainPlacementMode;
    Application->OnException = AppException;
    cbxCheckForUpdates->OnClick = [this](TObject* Sender) { cbxCheckForUpdatesClick(Sender); };
    if (UseDialogFont && !DialogFontName.empty())
        Font()->SetName(DialogFontName);
    if (GLargeFonts) {
        for (TControl* C : std::initializer_list<TControl*>{pnlInfo, edtSourceInfo, edtTargetInfo, edtProcessing})
            OnePointLarger(C);
        pnlStatusBar->SetHeight(pnlStatusBar->Height() + 4);
    }
    IdleStatus = IdleStatusLine();
    ApplyAccessibility();
    urlVisitWebsite->SetURL(WebSiteLink());
    LoadIntroduction();
    // Without the help file every help request says that it is missing.
    if (InstallApplicationHelp(ExeFolder + ProductShortName))
        SetHelpContext(1);
}

void TfrmTessaly::LoadIntroduction()
{
    edtIntroduction->SetText(IntroductionText(ExeFolder));
}
