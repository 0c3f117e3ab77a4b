#pragma once
// The project's Start-menu entries: the program folder, its sub-folders, and the links in
// them (shell links, internet shortcuts, or Program Manager items).
#include <string>

#include "model/cmp_TInstallContainer.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/Lists.h"
#include "platform/Properties.h"
#include "platform/Strings.h"

namespace qlry {

class TCustomInstallShellLink;
class TMainLinkGroup;

// Codes a project may send to run one folder or one link by itself.
enum TLinkEventCode {
    ieLinkGroupStart = -991,
    ieProcessLink = -970,
    ieProcessLinkGroup = -969,
};

enum TMethodType { mtAutoDetect, mtShellLinkInterface, mtProgramManager };
const TEnumInfo& MethodTypeNames();

class TCustomShellLinkGroup : public TInstallObject {
public:
    explicit TCustomShellLinkGroup(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int RegisteredType() const override { return 7000; }
    void ProcessObjects() override;
    void RemoveReference(TInstallContainer* object) override;
    void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) override;

    static std::vector<TPropInfo> FolderProperties();

private:
    bool freeing_ = false;
};

// The program folder, under the Programs menu; one per process.
class TMainLinkGroup : public TCustomShellLinkGroup {
public:
    explicit TMainLinkGroup(TComponent* owner);
    ~TMainLinkGroup() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Always the shared Programs-menu specifier, whatever is given.
    void SetDestDirType(TCustomPathSpecifier* value) override;
    void SetContainer(TInstallContainer* value) override;

protected:
    void Loaded() override;
};

// A folder inside the program folder.
class TSubLinkGroup : public TCustomShellLinkGroup {
public:
    explicit TSubLinkGroup(TComponent* owner);
    ~TSubLinkGroup() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Always the shared container-directory specifier, whatever is given.
    void SetDestDirType(TCustomPathSpecifier* value) override;
    void SetContainer(TInstallContainer* value) override;
};

class TCustomInstallShellLink : public TInstallObject {
public:
    explicit TCustomInstallShellLink(TComponent* owner);
    ~TCustomInstallShellLink() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int RegisteredType() const override { return 8000; }
    void ProcessObjects() override;
    void WriteUninstallInfo(const std::string& key) override;
    void RemoveReference(TInstallContainer* object) override;
    void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) override;
    void SetDestDirType(TCustomPathSpecifier* value) override;

    virtual void CreateProgramManagerItem();
    virtual void CreateShellLink();
    virtual void CreateInternetShortcut();
    virtual void SetLinkName(const std::string& value);
    virtual void SetObjectLocation(const std::string& value);
    virtual void SetObjectLocationType(TCustomPathSpecifier* value);
    virtual void SetObjectLink(TInstallContainer* value);
    // The target: the base of ObjectLocationType followed by ObjectLocation.
    virtual std::string GetObjectPath() const;

    std::string LinkFileName() const;

    const std::string& LinkName() const { return linkName_; }
    TInstallContainer* ObjectLink() const { return objectLink_; }
    TCustomPathSpecifier* ObjectLocationType() const { return objectLocationType_; }
    const std::string& ObjectLocation() const { return objectLocation_; }
    const std::string& Parameters() const { return parameters_; }
    void SetParameters(const std::string& value) { parameters_ = value; }
    int HotKey() const { return hotKey_; }
    void SetHotKey(int value) { hotKey_ = static_cast<unsigned short>(value); }
    TMethodType Method() const { return method_; }
    void SetMethod(TMethodType value) { method_ = value; }
    // What the Program Manager method used last.
    const TStringList& ProgramManagerInfo() const { return programManagerInfo_; }
    // Whether this run made the link (a link to an object that was not installed is not made).
    bool LinkCreated() const { return linkCreated_; }

    // What both link classes publish; sub links add their Container.
    static std::vector<TPropInfo> LinkProperties();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Group := the last element of the folder path; blank raises.
    std::string ProgramManagerGroup() const;
    void CreateLinkFolder() const;

    std::string linkName_;
    TInstallContainer* objectLink_ = nullptr;
    TCustomPathSpecifier* objectLocationType_ = nullptr;
    std::string objectLocation_;
    std::string parameters_;
    unsigned short hotKey_ = 0;
    TMethodType method_ = mtAutoDetect;
    TStringList programManagerInfo_;
    bool linkCreated_ = false;
    bool freeing_ = false;
};

// A link in the program folder itself.
class TInstallMainLink : public TCustomInstallShellLink {
public:
    explicit TInstallMainLink(TComponent* owner);
    ~TInstallMainLink() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // The program folder, whatever is given; another folder raises.
    void SetContainer(TInstallContainer* value) override;
};

// A link in one of the sub-folders.
class TInstallSubLink : public TCustomInstallShellLink {
public:
    explicit TInstallSubLink(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void SetContainer(TInstallContainer* value) override;
};

// The installed place of a link's ObjectLink: a file's full name, a container's directory.
class TpsObjectLink : public TStandardPathSpecifier {
public:
    explicit TpsObjectLink(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Validate(TInstallContainer* object) const override;
    std::string LongName() const override;
    std::string GetPath(TInstallContainer* object) const override;
};

class TShellLinkGroupList : public TList {
public:
    // Every sub-folder, in creation order.
    static TShellLinkGroupList& SubGroups();
    void Add(TCustomShellLinkGroup* group);
    TCustomShellLinkGroup* Items(int index) const { return static_cast<TCustomShellLinkGroup*>(TList::Items(index)); }
};

class TInstallShellLinkList : public TList {
public:
    // Every link.
    static TInstallShellLinkList& AllLinks();
    // Every main link.
    static TInstallShellLinkList& MainLinks();
    void Add(TCustomInstallShellLink* link);
    TCustomInstallShellLink* Items(int index) const {
        return static_cast<TCustomInstallShellLink*>(TList::Items(index));
    }
};

// The program folder of the process, or nullptr.
TMainLinkGroup* MainLinkGroup();


} // namespace qlry
