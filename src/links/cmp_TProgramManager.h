#pragma once
// A DDE client for Program Manager: its groups and the items of one group, on the
// systems that keep program groups there instead of in shell link folders.
#include <string>

#include "engine/exceptions_Quillory.h"
#include "platform/Component.h"
#include "platform/Dde.h"
#include "platform/Strings.h"

namespace qlry {

class TProgramManager : public TComponent {
public:
    explicit TProgramManager(TComponent* owner);
    ~TProgramManager() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Links to Program Manager once; raises EAIPMCannotOpen when it does not answer.
    virtual void Connect();
    bool Connected() const { return connected_; }

    // Empty when no group is selected.
    const std::string& CurrentGroup() const { return currentGroup_; }
    // The last data received for CurrentGroup: a group line, then one line per item.
    const TStringList& GroupInfo() const { return groupInfo_; }

    void SelectGroup(const std::string& name);
    // Program Manager opens an existing group of that name instead of making a second.
    void CreateGroup(const std::string& name);
    void GetGroups(TStrings& list);

    int ItemCount() const;
    // Fields from 1: name, command line, directory, icon path, x, y, icon index, hot key.
    std::string ItemField(int index, int field) const;
    std::string ItemName(int index) const;
    std::string ItemCommandLine(int index) const;
    std::string ItemDirectory(int index) const { return ItemField(index, 3); }
    std::string ItemIconPath(int index) const { return ItemField(index, 4); }
    std::string ItemX(int index) const { return ItemField(index, 5); }
    std::string ItemY(int index) const { return ItemField(index, 6); }
    std::string ItemIconIndex(int index) const { return ItemField(index, 7); }
    std::string ItemHotKey(int index) const { return ItemField(index, 8); }
    // Case-sensitive; -1 when no item has that name.
    int FindItem(const std::string& name) const;

    // Both do nothing while no group is selected.
    void AddItem(const std::string& commandLine, const std::string& name, const std::string& hotKey,
                 const std::string& directory, int iconIndex, const std::string& iconPath);
    // Program Manager puts the next added item where the replaced one was.
    void ReplaceItem(const std::string& name);

protected:
    // A server of another name that speaks Program Manager's language.
    TProgramManager(TComponent* owner, const std::string& service);

private:
    void ShowCurrentGroup();

    std::string service_;
    bool connected_ = false;
    TDdeClientConv* conversation_;
    std::string currentGroup_;
    TStringList groupInfo_;
};

// The one instance of the process, freed when the process ends.
TProgramManager& ProgramManager();

} // namespace qlry
