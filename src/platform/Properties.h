#pragma once
// Published properties and the class registry. Each published class describes its
// properties once, in one table; the description reader, the translator and tests all
// go through that table.
#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Exceptions.h"

namespace qlry {

class TStrings;

enum class TPropKind { Integer, Boolean, Enumeration, Set, Float, String, Component, Event, Strings, Object };

// The names of an enumeration's values, in ordinal order; a set property uses the
// enumeration of its elements and stores bit n for ordinal n.
class TEnumInfo {
public:
    TEnumInfo(std::initializer_list<const char*> names) : names_(names.begin(), names.end()) {}
    int Count() const { return static_cast<int>(names_.size()); }
    const std::string& Name(int ordinal) const { return names_.at(ordinal); }
    // -1 when Name is not a value of the enumeration (compared without case).
    int Ordinal(const std::string& name) const;

private:
    std::vector<std::string> names_;
};

// A handler that a description names by method name: the root publishes its handlers
// under their names, each as a std::function of the event's own type.
struct TMethod {
    std::string name;
    std::any code;
};

struct TPropInfo {
    std::string name;
    TPropKind kind = TPropKind::Integer;
    const TEnumInfo* enumInfo = nullptr;          // Enumeration and Set
    // Component: the class a value must inherit from. A function, because a class's
    // table may refer to the class itself while that table is being built.
    const TClassInfo& (*referenceClass)() = nullptr;

    std::function<int64_t(const TObject&)> getOrdinal;   // Integer, Boolean, Enumeration, Set
    std::function<void(TObject&, int64_t)> setOrdinal;
    std::function<double(const TObject&)> getFloat;
    std::function<void(TObject&, double)> setFloat;
    std::function<std::string(const TObject&)> getString;
    std::function<void(TObject&, const std::string&)> setString;
    std::function<TComponent*(const TObject&)> getComponent;
    std::function<void(TObject&, TComponent*)> setComponent;
    std::function<void(TObject&, const TMethod&)> setEvent;
    std::function<TPersistent*(TObject&)> getObject;   // Strings (a TStrings) and Object

    std::optional<int64_t> ordinalDefault;   // a value equal to it is not stored
};

class TClassInfo {
public:
    using Factory = std::function<TComponent*(TComponent* owner)>;

    TClassInfo(std::string name, const TClassInfo* parent, Factory factory, std::vector<TPropInfo> properties);

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo* other) const;
    bool CanCreate() const { return static_cast<bool>(factory_); }
    TComponent* Create(TComponent* owner) const;
    // Found here or in a parent class, compared without case.
    const TPropInfo* FindProperty(const std::string& name) const;
    // Every property, those of the parents first.
    std::vector<const TPropInfo*> AllProperties() const;

private:
    std::string name_;
    const TClassInfo* parent_;
    Factory factory_;
    std::vector<TPropInfo> properties_;
};

// The process-wide registry of classes that descriptions may name.
void RegisterPublishedClass(const TClassInfo& info);
const TClassInfo* FindClass(const std::string& name);

// Registers a class from a unit's static initialiser:
//   static const TClassRegistration registration(TInstall::StaticClassInfo());
struct TClassRegistration {
    explicit TClassRegistration(const TClassInfo& info) { RegisterPublishedClass(info); }
};

template <class C>
TClassInfo::Factory FactoryOf() {
    return [](TComponent* owner) -> TComponent* { return new C(owner); };
}

// Builders for the property table from a class's getter and setter.
template <class C, class Get, class Set>
TPropInfo IntegerProperty(const char* name, Get get, Set set, std::optional<int64_t> defaultValue = std::nullopt) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Integer;
    p.getOrdinal = [get](const TObject& o) { return static_cast<int64_t>((static_cast<const C&>(o).*get)()); };
    p.setOrdinal = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(static_cast<int>(v)); };
    p.ordinalDefault = defaultValue;
    return p;
}

template <class C, class Get, class Set>
TPropInfo BooleanProperty(const char* name, Get get, Set set, std::optional<bool> defaultValue = std::nullopt) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Boolean;
    p.getOrdinal = [get](const TObject& o) { return static_cast<int64_t>((static_cast<const C&>(o).*get)()); };
    p.setOrdinal = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(v != 0); };
    if (defaultValue) p.ordinalDefault = *defaultValue ? 1 : 0;
    return p;
}

template <class C, class E, class Get, class Set>
TPropInfo EnumProperty(const char* name, const TEnumInfo& values, Get get, Set set,
                       std::optional<E> defaultValue = std::nullopt) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Enumeration;
    p.enumInfo = &values;
    p.getOrdinal = [get](const TObject& o) { return static_cast<int64_t>((static_cast<const C&>(o).*get)()); };
    p.setOrdinal = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(static_cast<E>(v)); };
    if (defaultValue) p.ordinalDefault = static_cast<int64_t>(*defaultValue);
    return p;
}

// Get returns and Set takes the set as its bit mask (bit n = ordinal n).
template <class C, class Get, class Set>
TPropInfo SetProperty(const char* name, const TEnumInfo& elements, Get get, Set set,
                      std::optional<int64_t> defaultValue = std::nullopt) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Set;
    p.enumInfo = &elements;
    p.getOrdinal = [get](const TObject& o) { return static_cast<int64_t>((static_cast<const C&>(o).*get)()); };
    p.setOrdinal = [set](TObject& o, int64_t v) { (static_cast<C&>(o).*set)(static_cast<unsigned>(v)); };
    p.ordinalDefault = defaultValue;
    return p;
}

template <class C, class Get, class Set>
TPropInfo FloatProperty(const char* name, Get get, Set set) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Float;
    p.getFloat = [get](const TObject& o) { return static_cast<double>((static_cast<const C&>(o).*get)()); };
    p.setFloat = [set](TObject& o, double v) { (static_cast<C&>(o).*set)(v); };
    return p;
}

template <class C, class Get, class Set>
TPropInfo StringProperty(const char* name, Get get, Set set) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::String;
    p.getString = [get](const TObject& o) { return std::string((static_cast<const C&>(o).*get)()); };
    p.setString = [set](TObject& o, const std::string& v) { (static_cast<C&>(o).*set)(v); };
    return p;
}

// A reference to another component; Ref is the class the value must be.
template <class C, class Ref, class Get, class Set>
TPropInfo ComponentProperty(const char* name, Get get, Set set) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Component;
    p.referenceClass = &Ref::StaticClassInfo;
    p.getComponent = [get](const TObject& o) -> TComponent* { return (static_cast<const C&>(o).*get)(); };
    p.setComponent = [set](TObject& o, TComponent* v) {
        (static_cast<C&>(o).*set)(static_cast<Ref*>(v));
    };
    return p;
}

// An event held in a std::function member; the handler must have the member's type.
template <class C, class F>
TPropInfo EventProperty(const char* name, F C::*member) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Event;
    p.setEvent = [member](TObject& o, const TMethod& method) {
        const F* handler = std::any_cast<F>(&method.code);
        if (!handler) throw EPropertyError("Method %s does not match the event", {method.name});
        static_cast<C&>(o).*member = *handler;
    };
    return p;
}

// A TStrings held by the object: the description gives its lines.
template <class C, class Get>
TPropInfo StringsProperty(const char* name, Get get) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Strings;
    p.getObject = [get](TObject& o) -> TPersistent* { return (static_cast<C&>(o).*get)(); };
    return p;
}

// A nested object (a font, say) whose own properties the description sets by dotted names.
template <class C, class Get>
TPropInfo ObjectProperty(const char* name, Get get) {
    TPropInfo p;
    p.name = name;
    p.kind = TPropKind::Object;
    p.getObject = [get](TObject& o) -> TPersistent* { return (static_cast<C&>(o).*get)(); };
    return p;
}

} // namespace qlry
