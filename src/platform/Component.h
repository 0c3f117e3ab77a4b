#pragma once
// The component model: objects with an owner that frees them, names unique among the
// owner's components, a loading state while a description is read, and notifications
// when a component goes away.
#include <any>
#include <string>
#include <vector>

namespace qlry {

class TClassInfo;

// A published class declares, in its class body:
//   static const TClassInfo& StaticClassInfo();
//   const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
// and builds its property table once, in StaticClassInfo.

class TObject {
public:
    virtual ~TObject() = default;
    // The registered class name when the class is published, else the C++ name.
    std::string ClassName() const;
    // Published classes return their class information; others return nullptr.
    virtual const TClassInfo* ClassInfo() const { return nullptr; }
};

class TPersistent : public TObject {
public:
    // Copies Source into this object; classes that know Source override Assign or
    // Source's AssignTo. Raises EConvertError "Cannot assign a %s to a %s" otherwise.
    virtual void Assign(const TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning, csFreeNotification };
enum TOperation { opInsert, opRemove };

class TComponentState {
public:
    bool Contains(TComponentStateFlag flag) const { return (bits_ & (1u << flag)) != 0; }
    void Include(TComponentStateFlag flag) { bits_ |= 1u << flag; }
    void Exclude(TComponentStateFlag flag) { bits_ &= ~(1u << flag); }

private:
    unsigned bits_ = 0;
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Marks this component and those it owns as destroying, lets it act while it is
    // still whole (BeforeDestruction), then deletes it.
    void Free();

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that another
    // component of the same owner already has (compared without case).
    virtual void SetName(const std::string& name);
    int Tag() const { return tag_; }
    // Virtual for components that give a Tag value a meaning of their own.
    virtual void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(const std::string& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    const TComponentState& ComponentState() const { return state_; }
    bool IsLoading() const { return state_.Contains(csLoading); }
    bool IsDesigning() const { return state_.Contains(csDesigning); }
    bool IsDestroying() const { return state_.Contains(csDestroying); }
    // Design mode for this component and every component it owns.
    void SetDesigning(bool designing);

    // Asks to be told (Notification with opRemove) when Component is destroyed, even
    // when it has another owner.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // The reader calls these: Loading when reading starts, Loaded after the whole
    // description is read and every reference resolved.
    void Loading() { state_.Include(csLoading); }
    virtual void Loaded();

    // The component that contains this one visually (controls); components without
    // such a parent ignore it.
    virtual void SetParentComponent(TComponent* parent) {}
    virtual TComponent* GetParentComponent() const { return nullptr; }

    // The handler a description names by method name; nullptr when none is published.
    const std::any* MethodAddress(const std::string& name) const;

protected:
    // A root (a form) publishes its handlers so that descriptions can name them.
    void PublishMethod(const std::string& name, std::any code);

    // Runs once, before the destructors, when the component is freed through Free or by
    // its owner: the last moment at which the object is still of its own class.
    virtual void BeforeDestruction() {}

    virtual void Notification(TComponent* component, TOperation operation);
    virtual void ValidateRename(TComponent* component, const std::string& currentName,
                                const std::string& newName) const;

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void MarkDestroying();
    void Destroy();

    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    TComponentState state_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool beforeDestructionDone_ = false;
    std::vector<std::pair<std::string, std::any>> methods_;
};

// The next component constructed while this is alive starts in the loading state, so
// that its constructor can tell loading from creation at run time. Components that
// constructor creates in turn are not loading.
class TLoadingConstruction {
public:
    TLoadingConstruction();
    ~TLoadingConstruction();
    TLoadingConstruction(const TLoadingConstruction&) = delete;
    TLoadingConstruction& operator=(const TLoadingConstruction&) = delete;
    static bool Active();
};

bool IsValidIdent(const std::string& name);

} // namespace qlry
