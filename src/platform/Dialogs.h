#pragma once
// Message dialogs and the input box. Button sets that the system's message box offers
// are shown by it; any other set by a small form of ours whose buttons are named after
// the button kind ("Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All",
// "NoToAll", "YesToAll", "Help").
#include <string>

#include "platform/Controls.h"

namespace qlry {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = unsigned;  // bit n = TMsgDlgBtn n
constexpr TMsgDlgButtons MsgButton(TMsgDlgBtn button) { return 1u << button; }
constexpr TMsgDlgButtons mbYesNo = MsgButton(mbYes) | MsgButton(mbNo);
constexpr TMsgDlgButtons mbYesNoCancel = mbYesNo | MsgButton(mbCancel);
constexpr TMsgDlgButtons mbOKCancel = MsgButton(mbOK) | MsgButton(mbCancel);
constexpr TMsgDlgButtons mbAbortRetryIgnore = MsgButton(mbAbort) | MsgButton(mbRetry) | MsgButton(mbIgnore);

// Shows Message and answers the modal result of the button pressed (mrCancel when the
// dialog is closed otherwise). HelpContext is accepted and not used.
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
void ShowMessage(const std::string& message);

// A small form with Prompt, an edit holding Value and OK and Cancel buttons. OK stores
// the edit's text in Value and answers True.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
// The text entered, or Default when the user cancels.
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue);

} // namespace qlry
