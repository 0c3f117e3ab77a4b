#pragma once
// The wizard window: a modal form that holds the pages of one dialog manager as child
// forms, sorted by Order, and moves between them.
#include <vector>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"

namespace qlry {

class TBaseFormContainer : public TForm {
public:
    explicit TBaseFormContainer(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Builds the pages of the current dialog manager; answers their number.
    int CollectPages();
    using TCustomForm::SetPosition;
    // Places the window on the screen by the grid of dialog positions.
    virtual void SetPosition(TQuilloryDialogPosition position, int leftOffset, int topOffset);
    virtual void NextPage();
    virtual bool PreviousPage();
    bool ShowPage(int index, bool backward);

    bool IsFirstPage();
    bool IsLastPage();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TBaseInstallForm* Pages(int index) const { return pages_.at(index); }
    // The page shown now, or nullptr.
    TBaseInstallForm* CurrentPage() const;
    int CurrentIndex() const;
    bool Finishing() const { return finishing_; }

    TPanel* DisplayPanel() const { return displayPanel_; }
    TTabControl* Tabs() const { return tabs_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose(TCloseAction& action);
    void FormResize();
    void TabsChange();
    void TabsChanging();
    void PlacePage(TBaseInstallForm* page);

    std::vector<TBaseInstallForm*> pages_;
    bool resizing_ = false;
    bool finishing_ = false;
    TPanel* displayPanel_ = nullptr;
    TTabControl* tabs_ = nullptr;
};

} // namespace qlry
