#include "engine/exceptions_Quillory.h"

namespace qlry {

std::function<std::string(const std::string&)>& IExceptionTranslator() {
    static std::function<std::string(const std::string&)> translator;
    return translator;
}

std::string TranslateExceptionText(const std::string& text) {
    const auto& translator = IExceptionTranslator();
    return translator ? translator(text) : text;
}

IException::IException(const std::string& message) : ECustomQuilloryAbnormal(TranslateExceptionText(message)) {}

IException::IException(const std::string& format, std::initializer_list<FormatArg> args)
    : ECustomQuilloryAbnormal(TranslateExceptionText(format), args) {}

EAIUserAbort::EAIUserAbort() : EAI("Installation aborted by the user") {}

EAIPMError::EAIPMError()
    : EAI(TranslateExceptionText("The TProgramManager object was unable to communicate with Program Manager")) {}

EAIPMCannotOpen::EAIPMCannotOpen()
    : EAIPMError(
          TranslateExceptionText("The TProgramManager object was unable to establish a link with Program Manager")) {}

EAIPMCannotOpenGroup::EAIPMCannotOpenGroup(const std::string& groupName)
    : EAIPMError(Format(TranslateExceptionText("The TProgramManager object was unable to open the following group: %s"),
                        {groupName})),
      groupName_(groupName) {}

EAIPMCannotCreateGroup::EAIPMCannotCreateGroup(const std::string& groupName)
    : EAIPMError(Format(
          TranslateExceptionText("The TProgramManager object was unable to create the following group: %s"),
          {groupName})),
      groupName_(groupName) {}

// The item name becomes part of the format itself; its percent signs must stay literal.
static std::string EscapePercent(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}

EAIPMCannotAddItem::EAIPMCannotAddItem(const std::string& groupName, const std::string& command,
                                       const std::string& itemName)
    : EAIPMError(Format(TranslateExceptionText("The TProgramManager object was unable to add the following program item: " +
                                               EscapePercent(itemName) +
                                               " to the following group: %s. The arguments passed to " +
                                               " Program Manager were: %s"),
                        {groupName, command})),
      groupName_(groupName), command_(command), itemName_(itemName) {}

EAIPMCannotReplaceItem::EAIPMCannotReplaceItem(const std::string& groupName, const std::string& itemName)
    : EAIPMError(Format(TranslateExceptionText(std::string("The TProgramManager object was unable to replace the "
                                                           "following program item: %s") +
                                               " to the following group: %s"),
                        {itemName, groupName})),
      groupName_(groupName), itemName_(itemName) {}

} // namespace qlry
