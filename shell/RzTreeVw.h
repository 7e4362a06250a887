#pragma once
// The framed tree view under the shell tree: frame and colours as the framed
// list view, a fixed item height, an outline on the selected node while the
// tree is not focused, wheel scrolling by lines or pages and node menus.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>

#include "shell/RzListVw.h"

using TRzTvOnNodeContextMenuEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, TPoint& Pos, TPopupMenu*& Menu)>;

class TRzCustomTreeView : public TRzFramedView<TCustomTreeView> {
public:
    explicit TRzCustomTreeView(TComponent* AOwner);
    ~TRzCustomTreeView() override;
    void WndProc(TMessage& Message) override;

    int ItemHeight() const { return FItemHeight; }
    // 0 or less: the default height (a negative value is stored as 0).
    virtual void SetItemHeight(int Value);
    virtual bool GetAutoExpand() const { return AutoExpandValue(); }
    virtual void SetAutoExpand(bool Value) { SetAutoExpandValue(Value); }
    TPen* SelectionPen() const { return FSelectionPen.get(); }
    virtual void SetSelectionPen(const TPen* Value);
    char PathSeparator() const { return FPathSeparator; }
    void SetPathSeparator(char Value) { FPathSeparator = Value; }
    // The node menu at the centre of the context node's text, for the
    // keyboard.
    virtual void ShowNodeMenu();
    // The right-clicked node (RightClickSelect) or the selected one.
    TTreeNode* ContextNode() const;

    TRzTvOnNodeContextMenuEvent OnNodeContextMenu;

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void SendBackColor() override;
    bool HandleNotify(NMHDR* Header, LRESULT& Result) override;
    // The comctl32 version the tool-tip choice is made by.
    virtual TRzFileVersion CommonControlsVersion() const { return ComCtlVersion(); }
    void ApplyItemHeight();
    void PaintUnfocusedSelection(HDC DC);
    bool NodeMenu(TTreeNode* Node, TPoint Pos);
    // Fires OnNodeContextMenu; a Menu left null shows no popup.
    virtual void NodeContextMenu(TTreeNode* Node, TPoint& Pos, TPopupMenu*& Menu);

private:
    int FItemHeight = 0;
    std::unique_ptr<TPen> FSelectionPen;
    char FPathSeparator = '\\';
    TTreeNode* FMenuNode = nullptr;
    bool FSuppressNextPopup = false;
};
