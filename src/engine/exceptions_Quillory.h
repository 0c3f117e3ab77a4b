#pragma once
// The framework's exception classes. Each carries only its message; IException and the
// Program Manager's exceptions pass their texts through the translator hook first, so a
// message appears in the selected language when a translation exists.
#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Exceptions.h"

namespace qlry {

// The process-wide translation of exception texts; empty means no translation.
std::function<std::string(const std::string&)>& IExceptionTranslator();
// Text through the hook, or unchanged while no hook is set.
std::string TranslateExceptionText(const std::string& text);

QLRY_EXCEPTION(ECustomQuilloryAbnormal, Exception);
QLRY_EXCEPTION(EQuilloryAbnormal, ECustomQuilloryAbnormal);
QLRY_EXCEPTION(EQlryCompress, EQuilloryAbnormal);
QLRY_EXCEPTION(EqcDiskFull, EQlryCompress);
QLRY_EXCEPTION(EqcAborted, EQlryCompress);
QLRY_EXCEPTION(EAPIRoutines, EQuilloryAbnormal);

// The base of the component exceptions: the message, or the format before formatting, is
// translated.
class IException : public ECustomQuilloryAbnormal {
public:
    explicit IException(const std::string& message);
    IException(const std::string& format, std::initializer_list<FormatArg> args);
};

QLRY_EXCEPTION(IEInstall, IException);
QLRY_EXCEPTION(IEInstallNetLocNil, IEInstall);
QLRY_EXCEPTION(IEInstallContainer, IException);
QLRY_EXCEPTION(IEFileRelated, IException);
QLRY_EXCEPTION(IEFileRel_NoNetLocation, IEFileRelated);
QLRY_EXCEPTION(IEFileContainer, IEFileRelated);
QLRY_EXCEPTION(IEfcDuplicateFile, IEFileContainer);
QLRY_EXCEPTION(IENoQuilloryPath, IException);
QLRY_EXCEPTION(IECustomInstallFile, IException);
QLRY_EXCEPTION(IECustomInstallFileList, IException);
QLRY_EXCEPTION(IEContainerList, IException);
QLRY_EXCEPTION(IEInstallGroup, IException);
QLRY_EXCEPTION(IEPathSpecifier, IException);
QLRY_EXCEPTION(IEPathSpecifierList, IException);
QLRY_EXCEPTION(IEPathSpecifierClassList, IException);
QLRY_EXCEPTION(IEInstallShellLink, IException);
QLRY_EXCEPTION(IEShellLinkGroup, IException);
QLRY_EXCEPTION(IEInstallShellLinkList, IException);
QLRY_EXCEPTION(IEUninstallEXE, IException);

QLRY_EXCEPTION(EAI, Exception);

class EAIUserAbort : public EAI {
public:
    EAIUserAbort();
};

// Program Manager failures; each builds its message from translated texts.
class EAIPMError : public EAI {
public:
    EAIPMError();

protected:
    explicit EAIPMError(const std::string& message) : EAI(message) {}
};

class EAIPMCannotOpen : public EAIPMError {
public:
    EAIPMCannotOpen();
};

class EAIPMCannotOpenGroup : public EAIPMError {
public:
    explicit EAIPMCannotOpenGroup(const std::string& groupName);
    const std::string& GroupName() const { return groupName_; }

private:
    std::string groupName_;
};

class EAIPMCannotCreateGroup : public EAIPMError {
public:
    explicit EAIPMCannotCreateGroup(const std::string& groupName);
    const std::string& GroupName() const { return groupName_; }

private:
    std::string groupName_;
};

// Arguments in the order of the add-item call: the group, the DDE command, the item.
class EAIPMCannotAddItem : public EAIPMError {
public:
    EAIPMCannotAddItem(const std::string& groupName, const std::string& command, const std::string& itemName);
    const std::string& GroupName() const { return groupName_; }
    const std::string& Command() const { return command_; }
    const std::string& ItemName() const { return itemName_; }

private:
    std::string groupName_, command_, itemName_;
};

class EAIPMCannotReplaceItem : public EAIPMError {
public:
    EAIPMCannotReplaceItem(const std::string& groupName, const std::string& itemName);
    const std::string& GroupName() const { return groupName_; }
    const std::string& ItemName() const { return itemName_; }

private:
    std::string groupName_, itemName_;
};

} // namespace qlry
