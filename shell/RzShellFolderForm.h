#pragma once
// The select-folder form: a shell folder tree with optional create and
// delete buttons above it, OK and Cancel below it and a status line with
// the selected folder's path shortened to fit. TRzSelectFolderDialog makes
// one for each Execute.
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "controls/RzButton.h"
#include "controls/RzPanel.h"
#include "shell/RzShellCtrls.h"

// Options of the folder dialog and its form (bit numbers as stored).
enum TRzSelectFolderDialogOption : unsigned short {
    sfdoCreateDeleteButtons = 1 << 0,
    sfdoContextMenus = 1 << 1,
    sfdoReadOnly = 1 << 2,
    sfdoIncludeNonFolders = 1 << 3,
    sfdoOleDrag = 1 << 4,
    sfdoOleDrop = 1 << 5,
    sfdoCreateFolderIcon = 1 << 6,
    sfdoDeleteFolderIcon = 1 << 7,
    sfdoVirtualFolders = 1 << 8,
    sfdoShowHidden = 1 << 9,
};
using TRzSelectFolderDialogOptions = unsigned short;
constexpr TRzSelectFolderDialogOptions DefaultSelectFolderDialogOptions =
    sfdoContextMenus | sfdoCreateFolderIcon | sfdoDeleteFolderIcon | sfdoShowHidden;

// NewSel: the absolute item-ID list of the folder now selected.
using TRzFolderBrowseSelChangeEvent = std::function<void(TObject* Sender, LPCITEMIDLIST NewSel)>;

// Posted to the folder form when a folder was renamed in the tree: the
// status line shows the new path once the rename is done.
constexpr UINT RZFF_FOLDERRENAMED = WM_USER + 105;

class TRzSelectFolderForm : public TForm {
public:
    // The smallest size the user can drag the form to.
    static constexpr int MinTrackWidth = 366, MinTrackHeight = 340;
    // Images of ImageList1 the two tool buttons show.
    static constexpr TImageIndex CreateFolderImage = 0, DeleteFolderImage = 2;

    explicit TRzSelectFolderForm(TComponent* AOwner);

    TRzShellTree* ShellTree;
    TPanel* ButtonPanel;
    TRzButton* btnOk;
    TRzButton* btnCancel;
    TRzStatusBar* RzStatusBar1;
    TRzToolButton* btnNewFolder;
    TRzToolButton* btnDeleteFolder;
    TImageList* ImageList1;
    TPopupMenu* vclPopupMenu;
    TMenuItem* smnCreateFolder;
    TMenuItem* smnDelete;

    TRzSelectFolderDialogOptions Options() const { return FOptions; }
    virtual void SetOptions(TRzSelectFolderDialogOptions Value);
    std::string StatusText() const { return RzStatusBar1->SimpleCaption(); }
    void SetStatusText(const std::string& Value) { RzStatusBar1->SetSimpleCaption(Value); }
    void SetFrameProps(TColor FrameColor, TFrameStyle FrameStyle, bool FrameVisible,
                       TFramingPreference FramingPreference);
    void SetButtonProps(TColor Color, bool HotTrack, TColor HighlightColor, TColor HotTrackColor,
                        TRzHotTrackColorType HotTrackColorType);
    // The buttons of this form carry no glyphs; kept so the dialog treats
    // both shell forms alike.
    void SetShowButtonGlyphs(bool) {}
    void SetToolButtonProps(TRzGradientColorStyle GradientColorStyle, TColor SelectionColorStart,
                            TColor SelectionColorStop, TColor SelectionFrameColor, TRzVisualStyle VisualStyle);

    // The width the status line's path is shortened to.
    int StatusTextWidth() const { return RzStatusBar1->Width() - 20; }

    // The dialog's events, fired with the form as sender.
    TNotifyEvent OnFormShow;
    TNotifyEvent OnFormClose;
    TRzFolderBrowseSelChangeEvent OnSelChange;

    void FormCreate(TObject* Sender);
    void FormResize(TObject* Sender);
    void ShellTreeChange(TObject* Sender, TTreeNode* Node);
    void CreateBtnClick(TObject* Sender);
    void DeleteBtnClick(TObject* Sender);

protected:
    void DoShow() override;
    void DoHide() override;
    void WndProc(TMessage& Message) override;

private:
    void BuildControls();
    void FillImages();
    void ShowPathOf(TRzShellTreeData* Data);
    int TextWidth(const std::string& Text);

    TRzSelectFolderDialogOptions FOptions = DefaultSelectFolderDialogOptions;
    std::unique_ptr<TControlCanvas> FCanvas;
};
