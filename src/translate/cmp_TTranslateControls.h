#pragma once
// Controls that carry a text number (GLID) for the translator, and the base of every
// framework dialog form: its own copy of the translation settings and the operations
// that translate it.
#include <vector>

#include "platform/Buttons.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "translate/cmp_TTranslator.h"

namespace qlry {

class TInstallContainer;

class TTranslateLabel : public TLabel {
public:
    explicit TTranslateLabel(TComponent* owner) : TLabel(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int GLID() const { return glid_; }
    void SetGLID(int value) { glid_ = value; }

private:
    int glid_ = 0;
};

class TTranslateBitBtn : public TBitBtn {
public:
    explicit TTranslateBitBtn(TComponent* owner) : TBitBtn(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int GLID() const { return glid_; }
    void SetGLID(int value) { glid_ = value; }

private:
    int glid_ = 0;
};

class TBaseQuilloryForm : public TForm {
public:
    explicit TBaseQuilloryForm(TComponent* owner);
    ~TBaseQuilloryForm() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool AutoSetFont() const { return autoSetFont_; }
    void SetAutoSetFont(bool value) { autoSetFont_ = value; }
    bool AutoTranslate() const { return autoTranslate_; }
    void SetAutoTranslate(bool value) { autoTranslate_ = value; }
    // The dialog component that shows the form.
    TInstallContainer* Container() const { return container_; }
    void SetContainer(TInstallContainer* value);
    TQlryLanguage CurrentLanguage() const { return currentLanguage_; }
    void SetCurrentLanguage(TQlryLanguage value) { currentLanguage_ = value; }
    bool OverrideMainTranslator() const { return overrideMainTranslator_; }
    void SetOverrideMainTranslator(bool value) { overrideMainTranslator_ = value; }
    TQlryLanguage TranslateIntoLanguage() const { return translateIntoLanguage_; }
    void SetTranslateIntoLanguage(TQlryLanguage value) { translateIntoLanguage_ = value; }

    virtual void RetranslateForm() { TranslateForm(); }
    // Runs each time the form is about to be shown; empty here.
    virtual void PrepareForm() {}
    // Fonts and texts through the translator, then the pending messages.
    virtual void TranslateForm();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool autoSetFont_ = true;
    bool autoTranslate_ = true;
    TInstallContainer* container_ = nullptr;
    TQlryLanguage currentLanguage_ = qlEnglish;
    bool overrideMainTranslator_ = false;
    TQlryLanguage translateIntoLanguage_ = qlUser;
};

// Every live framework form, in order of creation.
const std::vector<TBaseQuilloryForm*>& FrameworkForms();

} // namespace qlry
