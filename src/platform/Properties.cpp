#include "platform/Properties.h"

#include <map>

#include "platform/Exceptions.h"

namespace qlry {

namespace {
std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::map<std::string, const TClassInfo*>& ClassRegistry() {
    static std::map<std::string, const TClassInfo*> registry;
    return registry;
}
} // namespace

int TEnumInfo::Ordinal(const std::string& name) const {
    std::string wanted = Upper(name);
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (Upper(names_[i]) == wanted) return static_cast<int>(i);
    return -1;
}

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory, std::vector<TPropInfo> properties)
    : name_(std::move(name)), parent_(parent), factory_(std::move(factory)), properties_(std::move(properties)) {}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
    for (const TClassInfo* info = this; info; info = info->parent_)
        if (info == other) return true;
    return false;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!factory_) throw EClassNotFound("Class %s cannot be created", {name_});
    return factory_(owner);
}

const TPropInfo* TClassInfo::FindProperty(const std::string& name) const {
    std::string wanted = Upper(name);
    for (const TClassInfo* info = this; info; info = info->parent_)
        for (const TPropInfo& property : info->properties_)
            if (Upper(property.name) == wanted) return &property;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
    std::vector<const TPropInfo*> result = parent_ ? parent_->AllProperties() : std::vector<const TPropInfo*>{};
    for (const TPropInfo& property : properties_) result.push_back(&property);
    return result;
}

void RegisterPublishedClass(const TClassInfo& info) { ClassRegistry()[Upper(info.Name())] = &info; }

const TClassInfo* FindClass(const std::string& name) {
    auto found = ClassRegistry().find(Upper(name));
    return found == ClassRegistry().end() ? nullptr : found->second;
}

} // namespace qlry
