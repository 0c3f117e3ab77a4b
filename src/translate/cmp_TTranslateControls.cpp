#include "translate/cmp_TTranslateControls.h"

#include <algorithm>

#include "model/cmp_TInstallContainer.h"
#include "platform/Application.h"

namespace qlry {

namespace {

std::vector<TBaseQuilloryForm*>& FormList() {
    static std::vector<TBaseQuilloryForm*> forms;
    return forms;
}

const TClassRegistration labelRegistration(TTranslateLabel::StaticClassInfo());
const TClassRegistration bitBtnRegistration(TTranslateBitBtn::StaticClassInfo());

} // namespace

const std::vector<TBaseQuilloryForm*>& FrameworkForms() { return FormList(); }

const TClassInfo& TTranslateLabel::StaticClassInfo() {
    static const TClassInfo info("TTranslateLabel", &TLabel::StaticClassInfo(), FactoryOf<TTranslateLabel>(),
                                 {IntegerProperty<TTranslateLabel>("GLID", &TTranslateLabel::GLID,
                                                                   &TTranslateLabel::SetGLID)});
    return info;
}

const TClassInfo& TTranslateBitBtn::StaticClassInfo() {
    static const TClassInfo info("TTranslateBitBtn", &TBitBtn::StaticClassInfo(), FactoryOf<TTranslateBitBtn>(),
                                 {IntegerProperty<TTranslateBitBtn>("GLID", &TTranslateBitBtn::GLID,
                                                                    &TTranslateBitBtn::SetGLID)});
    return info;
}

TBaseQuilloryForm::TBaseQuilloryForm(TComponent* owner) : TForm(owner) {
    Font()->SetCharset(0);
    FormList().push_back(this);
}

TBaseQuilloryForm::~TBaseQuilloryForm() {
    auto& forms = FormList();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

const TClassInfo& TBaseQuilloryForm::StaticClassInfo() {
    static const TClassInfo info("TBaseQuilloryForm", &TForm::StaticClassInfo(), nullptr, {});
    return info;
}

void TBaseQuilloryForm::SetContainer(TInstallContainer* value) {
    if (value == container_) return;
    if (container_) RemoveFreeNotification(container_);
    container_ = value;
    if (container_) FreeNotification(container_);
}

void TBaseQuilloryForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component == container_) container_ = nullptr;
    TForm::Notification(component, operation);
}

void TBaseQuilloryForm::TranslateForm() {
    if (autoSetFont_) {
        if (overrideMainTranslator_) ApplyLanguageFontsOf(translateIntoLanguage_, this);
        else ApplyLanguageFonts(this);
    }
    if (autoTranslate_) {
        currentLanguage_ = overrideMainTranslator_
                               ? TranslateControlsInto(currentLanguage_, translateIntoLanguage_, this)
                               : TranslateControls(currentLanguage_, this);
    }
    if (TApplication* application = Application()) application->ProcessMessages();
}

} // namespace qlry
