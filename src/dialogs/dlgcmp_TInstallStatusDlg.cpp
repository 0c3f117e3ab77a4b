#include "dialogs/dlgcmp_TInstallStatusDlg.h"

#include <cfenv>
#include <cmath>

#include "dialogs/ordlg_InstallStatus.h"
#include "engine/exceptions_Quillory.h"
#include "platform/Application.h"

namespace qlry {

namespace {

const TClassRegistration registration(TInstallStatusDlg::StaticClassInfo());

int RoundHalfEven(double value) {
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return static_cast<int>(rounded);
}

} // namespace

TInstallStatusDlg::TInstallStatusDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}

const TClassInfo& TInstallStatusDlg::StaticClassInfo() {
    static const TClassInfo info("TInstallStatusDlg", &TCustomBaseInstallDlg::StaticClassInfo(),
                                 FactoryOf<TInstallStatusDlg>(),
                                 {
                                     AutoSetFontProperty(),
                                     AutoTranslateProperty(),
                                     ContainerProperty(),
                                     OverrideMainTranslatorProperty(),
                                     ThemeBitmapProperty(),
                                     TranslateIntoLanguageProperty(),
                                 });
    return info;
}

const TClassInfo& TInstallStatusDlg::FormClass() const { return TInstallStatusForm::StaticClassInfo(); }

void TInstallStatusDlg::Translate() {
    TCustomBaseInstallDlg::Translate();
    SetCurrentLanguage(qlEnglish);
}

void TInstallStatusDlg::InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    TCustomBaseInstallDlg::InformationEvent(sender, eventCode, po);
    if (eventCode == ecShowStatusMessage) {
        if (!po) throw IException("%s got a nil PO parameter", {Name()});
        auto* parameter = dynamic_cast<TMessageParameter*>(po);
        if (!parameter) throw IException("The PO object passed to %s is not a TMessageParameter object", {Name()});
        message_ = parameter->Message;
        lines_.Add(message_);
        ShowMessageLine();
    } else if (eventCode == ecHideStatusMessage) {
        if (lines_.Count() > 0) lines_.Delete(lines_.Count() - 1);
        if (lines_.Count() > 0) {
            message_ = lines_.Strings(lines_.Count() - 1);
            ShowMessageLine();
        } else {
            if (Form()) Form()->Hide();
            if (TApplication* application = Application()) application->ProcessMessages();
        }
    }
}

void TInstallStatusDlg::ShowMessageLine() {
    if (!Form()) {
        SetForm(CreateRegisteredForm(FormClass(), Application()));
        AssignDialogProperties();
    }
    auto* form = dynamic_cast<TInstallStatusForm*>(Form());
    if (!form || !form->MessageLabel()) return;
    TLabel* label = form->MessageLabel();
    label->SetAlignment(taLeftJustify);
    label->SetWordWrap(false);
    label->SetCaption(message_);
    Translate();
    label->SetAutoSize(false);
    label->SetAutoSize(true);
    label->SetTop(RoundHalfEven(form->ClientHeight() / 2.0 - label->Height() / 2.0));
    const int textWidth = TextExtentOf(*form->Font(), message_).cx;
    form->SetWidth(textWidth + form->BackPanel()->Left() + form->MessagePanel()->Left() + label->Left() + 25);
    form->SetLeft(RoundHalfEven(Screen()->Width() / 2.0 - form->Width() / 2.0));
    form->Show();
    form->Repaint();
    if (TApplication* application = Application()) application->ProcessMessages();
}

} // namespace qlry
