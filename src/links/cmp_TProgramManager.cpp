#include "links/cmp_TProgramManager.h"

#include "routines/routines_Strings.h"

namespace qlry {

namespace {

const char* const programManagerName = "PROGMAN";

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string StripQuotes(std::string text) {
    if (text.size() > 1 && text.front() == '"') text.erase(0, 1);
    if (!text.empty() && text.back() == '"') text.pop_back();
    return text;
}

} // namespace

TProgramManager::TProgramManager(TComponent* owner) : TProgramManager(owner, programManagerName) {}

TProgramManager::TProgramManager(TComponent* owner, const std::string& service)
    : TComponent(owner), service_(service), conversation_(new TDdeClientConv(this)) {}

TProgramManager::~TProgramManager() {
    if (connected_) conversation_->CloseLink();
}

const TClassInfo& TProgramManager::StaticClassInfo() {
    static const TClassInfo info("TProgramManager", &TComponent::StaticClassInfo(), FactoryOf<TProgramManager>(),
                                 {});
    return info;
}

void TProgramManager::Connect() {
    if (connected_) return;
    conversation_->SetConnectMode(ddeManual);
    conversation_->SetLink(service_, programManagerName);
    connected_ = conversation_->OpenLink();
    if (!connected_) throw EAIPMCannotOpen();
}

void TProgramManager::SelectGroup(const std::string& name) {
    Connect();
    std::string group = name; // name may be CurrentGroup itself
    currentGroup_.clear();
    groupInfo_.Clear();
    std::string data = conversation_->RequestData(group);
    if (data.empty()) return;
    groupInfo_.SetText(data);
    currentGroup_ = group;
}

void TProgramManager::CreateGroup(const std::string& name) {
    Connect();
    if (name.empty()) return;
    if (!conversation_->ExecuteMacro("[CreateGroup(" + Quoted(name) + ")]", false)) throw EAIPMCannotCreateGroup(name);
    SelectGroup(name);
}

void TProgramManager::GetGroups(TStrings& list) {
    Connect();
    list.SetText(conversation_->RequestData("Groups"));
}

int TProgramManager::ItemCount() const { return groupInfo_.Count() < 2 ? 0 : groupInfo_.Count() - 1; }

std::string TProgramManager::ItemField(int index, int field) const {
    if (index < 1 || index > groupInfo_.Count() - 1) return "";
    return StripQuotes(GetToken(groupInfo_[index], field, ','));
}

std::string TProgramManager::ItemName(int index) const { return StripQuotes(ItemField(index, 1)); }

std::string TProgramManager::ItemCommandLine(int index) const { return StripQuotes(ItemField(index, 2)); }

int TProgramManager::FindItem(const std::string& name) const {
    for (int index = 1; index <= ItemCount(); ++index)
        if (ItemName(index) == name) return index;
    return -1;
}

void TProgramManager::ShowCurrentGroup() {
    if (!conversation_->ExecuteMacro("[ShowGroup(" + currentGroup_ + ",8)]", false))
        throw EAIPMCannotOpenGroup(currentGroup_);
}

void TProgramManager::AddItem(const std::string& commandLine, const std::string& name, const std::string& hotKey,
                              const std::string& directory, int iconIndex, const std::string& iconPath) {
    Connect();
    if (currentGroup_.empty()) return;
    ShowCurrentGroup();
    // The two empty fields are the x and y positions.
    std::string command = "[AddItem(" + commandLine + "," + name + "," + iconPath + "," + std::to_string(iconIndex) +
                          "," + ",," + directory + "," + hotKey + ")]";
    if (!conversation_->ExecuteMacro(command, false)) throw EAIPMCannotAddItem(currentGroup_, command, name);
    SelectGroup(currentGroup_);
}

void TProgramManager::ReplaceItem(const std::string& name) {
    Connect();
    if (currentGroup_.empty()) return;
    ShowCurrentGroup();
    if (!conversation_->ExecuteMacro("[ReplaceItem(" + Quoted(name) + ")]", false))
        throw EAIPMCannotReplaceItem(currentGroup_, name);
    SelectGroup(currentGroup_);
}

TProgramManager& ProgramManager() {
    static TProgramManager instance(nullptr);
    return instance;
}

} // namespace qlry
