// The update check: with the user's consent a small information file is
// fetched on a worker thread after the window first shows, and a newer
// version is offered.
#include "app/Main.h"

#include "app/KvHelpBase.h"
#include "app/KvNetBase.h"
#include "app/TessalyStart.h"
#include "classlib/Forms.h"
#include "classlib/SysUtils.h"
#include "controls/RzLabel.h"
#include "controls/RzRadChk.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"

void TfrmTessaly::AfterShow()
{
    TKvFormSave::AfterShow();
    // What the first show left waiting paints before a question may come.
    ProcessMessagesIfAllowed();
    CheckForUpdates();
}

void TfrmTessaly::CheckForUpdates()
{
    if (SettingsAreNew) {
        FCheckForUpdates = KvConfirm(Format(
            "%s can check the Internet for new updates with improved features.\r\n"
            "No information about you or your computer will be revealed during this operation.\r\n\r\n"
            "Would you like to enable this feature?",
            ApplicationName));
        cbxCheckForUpdates->SetChecked(FCheckForUpdates);
        cbxCheckForUpdates->SetTag(1);
    }
    if (!FCheckForUpdates)
        return;
    if (!FUpdateDownload) {
        FUpdateDownload = new TUrlDownload(this);
        FUpdateDownload->Transport = UpdateTransport;
        FUpdateDownload->SourceUrl = GUpdateInfoAddress;
        FUpdateDownload->TargetFolder = GetTempFolder();
        FUpdateDownload->OnDownloadEnd = [this](TObject*) { UpdateDownloadEnd(); };
    } else if (FUpdateDownload->Busy()) {
        return;
    }
    FUpdateDownload->StartDownload();
}

void TfrmTessaly::cbxCheckForUpdatesClick(TObject*)
{
    // Only the user's clicks act: the form sets the box itself while Tag is 0.
    if (cbxCheckForUpdates->Tag() != 1)
        return;
    FCheckForUpdates = cbxCheckForUpdates->Checked();
    if (FCheckForUpdates && !SettingsAreNew)
        CheckForUpdates();
}

void TfrmTessaly::UpdateDownloadEnd()
{
    TUpdateCheck Check;
    Check.BuildNumber = BuildNumber;
    Check.ProductName = ApplicationName;
    Check.FirstStart = SettingsAreNew;
    Check.LinkText = urlVisitWebsite->Caption();
    Check.LinkUrl = urlVisitWebsite->URL();
    ProcessUpdateInfo(FUpdateDownload->Hr(), FUpdateDownload->TargetFile(), Check);
    urlVisitWebsite->SetCaption(Check.LinkText);
    urlVisitWebsite->SetURL(Check.LinkUrl);
}
