#include "dialogs/dlgcmp_TBaseContainer.h"

#include <algorithm>

#include "platform/Application.h"

namespace qlry {

TBaseFormContainer::TBaseFormContainer(TComponent* owner) : TForm(owner) {
    PublishMethod("FormCreate", TNotifyEvent([this](TObject*) { FormCreate(); }));
    PublishMethod("FormDestroy", TNotifyEvent([](TObject*) {}));
    PublishMethod("FormShow", TNotifyEvent([this](TObject*) { FormShow(); }));
    PublishMethod("FormClose", TCloseEvent([this](TObject*, TCloseAction& action) { FormClose(action); }));
    PublishMethod("FormResize", TNotifyEvent([this](TObject*) { FormResize(); }));
    PublishMethod("TabsChange", TNotifyEvent([this](TObject*) { TabsChange(); }));
    PublishMethod("TabsChanging", TTabChangingEvent([this](TObject*, bool&) { TabsChanging(); }));
    InitFromDescription("TBASEFORMCONTAINER");
}

const TClassInfo& TBaseFormContainer::StaticClassInfo() {
    static const TClassInfo info("TBaseFormContainer", &TForm::StaticClassInfo(), FactoryOf<TBaseFormContainer>(), {});
    return info;
}

void TBaseFormContainer::FormCreate() {
    displayPanel_ = FindComponentAs<TPanel>(this, "DisplayPanel");
    tabs_ = FindComponentAs<TTabControl>(this, "Tabs");
    Font()->SetCharset(ANSI_CHARSET);
    resizing_ = true;
    SetHeight(395);
    SetWidth(478);
    resizing_ = false;
    finishing_ = false;
}

int TBaseFormContainer::CollectPages() {
    TDialogManager* manager = CurrentDialogManager();
    if (!manager) throw Exception(TranslateString("The current dialog manager is not defined"));
    pages_.clear();
    for (int i = 0; i < PageFormCount(); ++i) {
        TBIFEntry* entry = PageForm(i);
        TCustomBaseInstallDlg* dialog = entry->Dialog;
        if (dialog && (dialog->DialogManager() != manager || !dialog->CanExecute())) continue;
        TCustomForm* form = CreateRegisteredForm(*entry->FormClass, this);
        auto* page = dynamic_cast<TBaseInstallForm*>(form);
        if (!page || (!dialog && page->DM() != manager)) {
            RemoveComponent(form);
            form->Free();
            continue;
        }
        page->SetDC(dialog);
        if (dialog) {
            page->SetContainer(dialog->Container());
            page->SetOrder(dialog->Order());
            dialog->SetForm(page);
            dialog->AssignDialogProperties();
        }
        tabs_->Tabs()->Add(ClassName());
        PlacePage(page);
        page->TranslateForm();
        page->Show();
        FreeNotification(page);
        pages_.push_back(page);
    }
    // An exchange sort: pages of equal Order may change places; this order is the wizard's.
    const int count = PageCount();
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (pages_[j]->Order() < pages_[i]->Order()) std::swap(pages_[i], pages_[j]);
    return count;
}

void TBaseFormContainer::PlacePage(TBaseInstallForm* page) {
    page->SetBounds(displayPanel_->Left(), displayPanel_->Top(), displayPanel_->Width(), displayPanel_->Height());
}

TBaseInstallForm* TBaseFormContainer::CurrentPage() const {
    const int index = CurrentIndex();
    return index >= 0 && index < PageCount() ? pages_[index] : nullptr;
}

int TBaseFormContainer::CurrentIndex() const { return tabs_ ? tabs_->TabIndex() : -1; }

bool TBaseFormContainer::ShowPage(int index, bool backward) {
    if (index < 0 || index >= PageCount()) return false;
    TBaseInstallForm* page = pages_[index];
    if (page->IsSkipped()) return ShowPage(backward ? index - 1 : index + 1, backward);
    tabs_->SetTabIndex(index);
    SetCaption(page->Caption());
    if (!page->Visible()) page->Show();
    page->ActivatePage();
    // Only the current page stays on the screen, so that the keyboard cannot reach the
    // controls of the pages behind it.
    for (TBaseInstallForm* other : pages_)
        if (other != page && other->Visible()) other->Hide();
    return true;
}

void TBaseFormContainer::FormShow() {
    if (!ShowPage(0, true)) ShowPage(0, false);
    if (HandleAllocated()) SetForegroundWindow(Handle());
}

void TBaseFormContainer::NextPage() {
    const int current = CurrentIndex();
    if (!ShowPage(current + 1, false)) ShowPage(current + 1, true);
    if (CurrentIndex() == current) {
        finishing_ = true;
        SetModalResult(mrOk);
        Close();
    }
}

bool TBaseFormContainer::PreviousPage() {
    const int current = CurrentIndex();
    bool shown = ShowPage(current - 1, true);
    if (!shown) shown = ShowPage(current - 1, false);
    return shown;
}

bool TBaseFormContainer::IsFirstPage() {
    const int current = CurrentIndex();
    for (int i = 0; i < current && i < PageCount(); ++i)
        if (!pages_[i]->IsSkipped()) return false;
    return true;
}

bool TBaseFormContainer::IsLastPage() { return CurrentIndex() + 1 == PageCount(); }

void TBaseFormContainer::TabsChange() {
    if (!ShowPage(tabs_->TabIndex(), true)) ShowPage(tabs_->TabIndex(), false);
}

void TBaseFormContainer::TabsChanging() {
    const int index = tabs_->TabIndex();
    if (index >= 0 && index < PageCount() && pages_[index]) pages_[index]->PageLeaving();
}

void TBaseFormContainer::FormClose(TCloseAction& action) {
    if (!finishing_ && ModalResult() != mrCancel) action = caNone;
}

LRESULT TBaseFormContainer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The close box and Alt+F4 would end the modal loop as a cancel; the wizard ends only
    // through its pages.
    if (message == WM_CLOSE && !finishing_ && ModalResult() != mrCancel) return 0;
    return TForm::WndProc(message, wParam, lParam);
}

void TBaseFormContainer::FormResize() {
    if (resizing_ || !displayPanel_) return;
    for (TBaseInstallForm* page : pages_) {
        PlacePage(page);
        page->Repaint();
    }
}

void TBaseFormContainer::SetPosition(TQuilloryDialogPosition position, int leftOffset, int topOffset) {
    POINT corner = DialogPlacement(position, Screen()->Width(), Screen()->Height(), Width(), Height(), leftOffset,
                                   topOffset, GetSystemMetrics(SM_CYCAPTION), true);
    SetBounds(corner.x, corner.y, Width(), Height());
}

void TBaseFormContainer::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove)
        pages_.erase(std::remove(pages_.begin(), pages_.end(), component), pages_.end());
    TForm::Notification(component, operation);
}

} // namespace qlry
