#include "platform/Component.h"

#include <algorithm>
#include <cctype>

#include "platform/Exceptions.h"
#include "platform/Properties.h"
#include "platform/TypeName.h"

namespace qlry {

namespace {
// Set by TLoadingConstruction and taken by the next component constructed, so that
// components that constructor creates in turn are not loading.
bool loadingConstructionPending = false;

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
} // namespace

std::string TObject::ClassName() const {
    if (const TClassInfo* info = ClassInfo()) return info->Name();
    return TypeName(typeid(*this));
}

void TPersistent::Assign(const TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a %s to a %s", {"nil", ClassName()});
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError("Cannot assign a %s to a %s", {ClassName(), dest->ClassName()});
}

TLoadingConstruction::TLoadingConstruction() { loadingConstructionPending = true; }
TLoadingConstruction::~TLoadingConstruction() { loadingConstructionPending = false; }
bool TLoadingConstruction::Active() { return loadingConstructionPending; }

bool IsValidIdent(const std::string& name) {
    if (name.empty()) return false;
    auto isAlpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (!isAlpha(name[0])) return false;
    return std::all_of(name.begin(), name.end(),
                       [&](char c) { return isAlpha(c) || std::isdigit(static_cast<unsigned char>(c)); });
}

TComponent::TComponent(TComponent* owner) {
    if (loadingConstructionPending) {
        state_.Include(csLoading);
        loadingConstructionPending = false;
    }
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    MarkDestroying();
    while (!freeNotifies_.empty()) {
        TComponent* client = freeNotifies_.back();
        freeNotifies_.pop_back();
        Erase(client->freeNotifies_, this);
        client->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
    MarkDestroying();
    Destroy();
}

void TComponent::Destroy() {
    if (!beforeDestructionDone_) {
        beforeDestructionDone_ = true;
        BeforeDestruction();
    }
    delete this;
}

void TComponent::MarkDestroying() {
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    for (TComponent* component : components_) component->MarkDestroying();
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        components_.back()->Destroy();  // its destructor removes it from this owner, telling the others
    }
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) throw EListError("List index out of bounds (%d)", {index});
    return components_[index];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* component : components_)
        if (SameName(component->name_, name)) return component;
    return nullptr;
}

void TComponent::ValidateRename(TComponent* component, const std::string& currentName,
                                const std::string& newName) const {
    if (newName.empty() || SameName(currentName, newName)) return;
    TComponent* existing = FindComponent(newName);
    if (existing && existing != component)
        throw EComponentError("A component named %s already exists", {newName});
}

void TComponent::SetName(const std::string& name) {
    if (name_ == name) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("Component name \"%s\" is not a valid identifier", {name});
    if (owner_) owner_->ValidateRename(this, name_, name);
    name_ = name;
}

void TComponent::InsertComponent(TComponent* component) {
    ValidateRename(component, "", component->name_);
    if (component->owner_) component->owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    Erase(components_, component);
    component->owner_ = nullptr;
}

void TComponent::SetDesigning(bool designing) {
    if (designing) state_.Include(csDesigning);
    else state_.Exclude(csDesigning);
    for (TComponent* component : components_) component->SetDesigning(designing);
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
    state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    Erase(freeNotifies_, component);
    if (component) Erase(component->freeNotifies_, this);
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Every owned component hears of insertions and removals among its siblings.
    for (std::size_t i = components_.size(); i-- > 0;)
        if (i < components_.size()) components_[i]->Notification(component, operation);
}

} // namespace qlry

namespace qlry {

const TClassInfo& TComponent::StaticClassInfo() {
    static const TClassInfo info("TComponent", nullptr, nullptr,
                                 {
                                     StringProperty<TComponent>("Name", &TComponent::Name, &TComponent::SetName),
                                     IntegerProperty<TComponent>("Tag", &TComponent::Tag, &TComponent::SetTag, 0),
                                 });
    return info;
}

const TClassInfo* TComponent::ClassInfo() const { return &StaticClassInfo(); }

const std::any* TComponent::MethodAddress(const std::string& name) const {
    for (const auto& [methodName, code] : methods_)
        if (SameName(methodName, name)) return &code;
    return nullptr;
}

void TComponent::PublishMethod(const std::string& name, std::any code) { methods_.emplace_back(name, std::move(code)); }

} // namespace qlry

namespace {
const qlry::TClassRegistration componentRegistration(qlry::TComponent::StaticClassInfo());
}
