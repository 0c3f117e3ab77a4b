#include "platform/Dialogs.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/Application.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace qlry {

namespace {

const char* TypeCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return nullptr;
    }
}

LPCSTR TypeIcon(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return reinterpret_cast<LPCSTR>(IDI_EXCLAMATION);
    case mtError: return reinterpret_cast<LPCSTR>(IDI_HAND);
    case mtInformation: return reinterpret_cast<LPCSTR>(IDI_ASTERISK);
    case mtConfirmation: return reinterpret_cast<LPCSTR>(IDI_QUESTION);
    default: return nullptr;
    }
}

std::string DialogCaption(TMsgDlgType type) {
    if (const char* caption = TypeCaption(type)) return caption;
    return Application() ? Application()->Title() : std::string();
}

// The message-box style of a button set the system offers.
std::optional<UINT> MessageBoxButtons(TMsgDlgButtons buttons) {
    struct TRow {
        TMsgDlgButtons buttons;
        UINT style;
    };
    static const TRow rows[] = {
        {MsgButton(mbOK), MB_OK},
        {mbOKCancel, MB_OKCANCEL},
        {mbYesNo, MB_YESNO},
        {mbYesNoCancel, MB_YESNOCANCEL},
        {MsgButton(mbRetry) | MsgButton(mbCancel), MB_RETRYCANCEL},
        {mbAbortRetryIgnore, MB_ABORTRETRYIGNORE},
    };
    for (const TRow& row : rows)
        if (row.buttons == buttons) return row.style;
    return std::nullopt;
}

UINT MessageBoxIcon(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return MB_ICONWARNING;
    case mtError: return MB_ICONERROR;
    case mtInformation: return MB_ICONINFORMATION;
    case mtConfirmation: return MB_ICONQUESTION;
    default: return 0;
    }
}

HWND DialogOwner() {
    HWND active = GetActiveWindow();
    if (active && FindControl(active)) return active;
    return Application() ? Application()->MainWindow() : nullptr;
}

struct TButtonKind {
    TMsgDlgBtn button;
    const char* name;
    const char* caption;
    TModalResult result;
};

const TButtonKind buttonKinds[] = {
    {mbYes, "Yes", "&Yes", mrYes},           {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},                {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},   {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore}, {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll}, {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
};

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 420;

TModalResult MessageForm(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons) {
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetBorderIcons(BorderIcon(biSystemMenu));
    form.SetPosition(poScreenCenter);
    form.SetCaption(DialogCaption(type));
    HICON icon = TypeIcon(type) ? LoadIconA(nullptr, TypeIcon(type)) : nullptr;
    if (icon) {
        form.OnPaint = [&form, icon](TObject*) {
            DrawIconEx(form.Canvas()->Handle(), kMargin, kMargin, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
        };
    }
    int textLeft = icon ? kMargin + kIconSize + kMargin : kMargin;
    auto* text = new TLabel(&form);
    text->SetName("Message");
    text->SetParent(&form);
    text->SetLeft(textLeft);
    text->SetTop(kMargin);
    text->SetCaption(message);
    if (text->Width() > kMaxTextWidth) {
        text->SetWordWrap(true);
        text->SetWidth(kMaxTextWidth);
    }

    std::vector<const TButtonKind*> kinds;
    for (const TButtonKind& kind : buttonKinds)
        if (buttons & MsgButton(kind.button)) kinds.push_back(&kind);
    TMsgDlgBtn cancelButton = (buttons & MsgButton(mbCancel)) ? mbCancel
                              : (buttons & MsgButton(mbNo))   ? mbNo
                                                              : mbOK;
    int buttonsWidth = static_cast<int>(kinds.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    int contentBottom = std::max(text->Top() + text->Height(), icon ? kMargin + kIconSize : 0);
    int clientWidth = std::max(textLeft + text->Width() + kMargin, buttonsWidth + 2 * kMargin);
    int buttonTop = contentBottom + 2 * kMargin;
    form.SetClientWidth(clientWidth);
    form.SetClientHeight(buttonTop + kButtonHeight + kMargin);
    int left = (clientWidth - buttonsWidth) / 2;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        auto* button = new TButton(&form);
        button->SetName(kinds[i]->name);
        button->SetParent(&form);
        button->SetCaption(kinds[i]->caption);
        button->SetModalResult(kinds[i]->result);
        button->SetDefault(i == 0);
        button->SetCancel(kinds[i]->button == cancelButton);
        button->SetBounds(left + static_cast<int>(i) * (kButtonWidth + kButtonGap), buttonTop, kButtonWidth,
                          kButtonHeight);
        if (i == 0) form.SetActiveControl(button);
    }
    return form.ShowModal();
}

} // namespace

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int /*helpContext*/) {
    if (std::optional<UINT> style = MessageBoxButtons(buttons)) {
        std::string caption = DialogCaption(type);
        int result = MessageBoxA(DialogOwner(), message.c_str(), caption.c_str(), *style | MessageBoxIcon(type));
        return result ? result : mrCancel;
    }
    return MessageForm(message, type, buttons);
}

void ShowMessage(const std::string& message) {
    std::string caption = Application() ? Application()->Title() : std::string();
    MessageBoxA(DialogOwner(), message.c_str(), caption.c_str(), MB_OK);
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetBorderIcons(BorderIcon(biSystemMenu));
    form.SetPosition(poScreenCenter);
    form.SetCaption(caption);
    constexpr int width = 300;
    auto* label = new TLabel(&form);
    label->SetName("Prompt");
    label->SetParent(&form);
    label->SetBounds(kMargin, kMargin, width - 2 * kMargin, 13);
    label->SetCaption(prompt);
    auto* edit = new TEdit(&form);
    edit->SetName("Edit");
    edit->SetParent(&form);
    edit->SetBounds(kMargin, label->Top() + label->Height() + 6, width - 2 * kMargin, 21);
    edit->SetTextValue(value);
    int buttonTop = edit->Top() + edit->Height() + 2 * kMargin;
    struct TChoice {
        const char* name;
        const char* caption;
        TModalResult result;
    };
    const TChoice choices[] = {{"OK", "OK", mrOk}, {"Cancel", "Cancel", mrCancel}};
    int left = width - kMargin - 2 * kButtonWidth - kButtonGap;
    for (const TChoice& choice : choices) {
        auto* button = new TButton(&form);
        button->SetName(choice.name);
        button->SetParent(&form);
        button->SetCaption(choice.caption);
        button->SetModalResult(choice.result);
        button->SetDefault(choice.result == mrOk);
        button->SetCancel(choice.result == mrCancel);
        button->SetBounds(left, buttonTop, kButtonWidth, kButtonHeight);
        left += kButtonWidth + kButtonGap;
    }
    form.SetClientWidth(width);
    form.SetClientHeight(buttonTop + kButtonHeight + kMargin);
    form.SetActiveControl(edit);
    edit->SelectAll();
    if (form.ShowModal() != mrOk) return false;
    value = edit->Text();
    return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue) {
    std::string value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}

} // namespace qlry
