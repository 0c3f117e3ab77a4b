#pragma once
// Path specifiers: small components that say which directory (or file) a base path
// stands for, for the object that asks.
#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

class TInstallContainer;
class TFileContainer;

// An extension point nothing in the framework assigns.
using TPathHandler = std::function<void(TInstallContainer* object, std::string& path)>;

class TCustomPathSpecifier : public TComponent {
public:
    explicit TCustomPathSpecifier(TComponent* owner);
    ~TCustomPathSpecifier() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Raises IEPathSpecifier when this specifier cannot serve Object.
    virtual void Validate(TInstallContainer* object) const;
    virtual std::string LongName() const;
    virtual std::string LongNameFor(TInstallContainer* object) const;
    virtual std::string GetPath(TInstallContainer* object) const;
    virtual std::string ShortName() const;
    virtual std::string ShortNameFor(TInstallContainer* object) const;

    const std::string& DefaultName() const { return defaultName_; }
    TPathHandler OnGetPath;

protected:
    void SetDefaultName(const std::string& name) { defaultName_ = name; }

private:
    std::string defaultName_;
};

class TStandardPathSpecifier : public TCustomPathSpecifier {
public:
    explicit TStandardPathSpecifier(TComponent* owner);
    ~TStandardPathSpecifier() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// Declares one of the standard classes; each defines its names, path and validation.
#define QLRY_STANDARD_SPECIFIER(Name)                                                      \
    class Name : public TStandardPathSpecifier {                                           \
    public:                                                                                \
        explicit Name(TComponent* owner);                                                  \
        static const TClassInfo& StaticClassInfo();                                        \
        const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }        \
        void Validate(TInstallContainer* object) const override;                           \
        std::string LongName() const override;                                             \
        std::string ShortName() const override;                                            \
        std::string GetPath(TInstallContainer* object) const override;                     \
    }

QLRY_STANDARD_SPECIFIER(TpsBDEDLL);
QLRY_STANDARD_SPECIFIER(TpsCommonFiles);
QLRY_STANDARD_SPECIFIER(TpsContainerArchiveFile);
QLRY_STANDARD_SPECIFIER(TpsDesktopMenu);
QLRY_STANDARD_SPECIFIER(TpsInstallSource);
QLRY_STANDARD_SPECIFIER(TpsMainInstall);
QLRY_STANDARD_SPECIFIER(TpsProgramFiles);
QLRY_STANDARD_SPECIFIER(TpsProgramMenu);
QLRY_STANDARD_SPECIFIER(TpsStartMenu);
QLRY_STANDARD_SPECIFIER(TpsStartupMenu);
QLRY_STANDARD_SPECIFIER(TpsSystem);
QLRY_STANDARD_SPECIFIER(TpsWindow);

#undef QLRY_STANDARD_SPECIFIER

// The directory of the object's container; it describes itself per object.
class TpsContainerDestDir : public TStandardPathSpecifier {
public:
    explicit TpsContainerDestDir(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Validate(TInstallContainer* object) const override;
    std::string LongName() const override;
    std::string LongNameFor(TInstallContainer* object) const override;
    std::string ShortName() const override;
    std::string ShortNameFor(TInstallContainer* object) const override;
    std::string GetPath(TInstallContainer* object) const override;
};

// "files.1" beside the setup, or the self-extracting setup itself; after a disk change
// the directory in which the last disk was found.
class TpsMainArchiveFile : public TStandardPathSpecifier {
public:
    explicit TpsMainArchiveFile(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Validate(TInstallContainer* object) const override;
    std::string LongName() const override;
    std::string ShortName() const override;
    std::string GetPath(TInstallContainer* object) const override;

    const std::string& ArchiveDirOverride() const { return archiveDirOverride_; }
    void SetArchiveDirOverride(const std::string& value) { archiveDirOverride_ = value; }

private:
    std::string archiveDirOverride_;
};

// The specifier a file container owns: the container's own directory.
class TpsFileContainer : public TCustomPathSpecifier {
public:
    explicit TpsFileContainer(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Validate(TInstallContainer* object) const override;
    std::string LongName() const override;
    std::string ShortName() const override;
    std::string GetPath(TInstallContainer* object) const override;
    void SetName(const std::string& name) override;

    TFileContainer* FileContainer() const { return fileContainer_; }
    void SetFileContainer(TFileContainer* value);
    bool Creating() const { return creating_; }
    void SetCreating(bool value) { creating_ = value; }

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TFileContainer* fileContainer_ = nullptr;
    bool creating_ = false;
};

class TPathSpecifierList {
public:
    ~TPathSpecifierList();
    TPathSpecifierList(const TPathSpecifierList&) = delete;
    TPathSpecifierList& operator=(const TPathSpecifierList&) = delete;
    // Every live specifier.
    static TPathSpecifierList& All();
    // Every live standard specifier.
    static TPathSpecifierList& Standard();
    void Add(TCustomPathSpecifier* specifier);
    void Remove(TCustomPathSpecifier* specifier);
    int Count() const { return static_cast<int>(items_.size()); }
    TCustomPathSpecifier* Items(int index) const { return items_.at(index); }
    // The first entry of the class or a descendant; raises IEPathSpecifier
    // "Could not find the path specifier" when there is none.
    TCustomPathSpecifier* FindByClass(const TClassInfo& type) const;
    template <class T>
    T* Find() const { return static_cast<T*>(FindByClass(T::StaticClassInfo())); }
    // False once the lists are gone at process end; specifiers freed later skip them.
    static bool Exist();

private:
    // Only the two process-wide lists exist.
    TPathSpecifierList() = default;
    std::vector<TCustomPathSpecifier*> items_;
};

// The standard classes, in registration order.
class TPathSpecifierClassList {
public:
    static TPathSpecifierClassList& Instance();
    void Add(const TClassInfo* type);
    int Count() const { return static_cast<int>(items_.size()); }
    const TClassInfo* Items(int index) const { return items_.at(index); }

private:
    std::vector<const TClassInfo*> items_;
};

// Creates, on Owner, one specifier of every registered class that has no live instance,
// named by its DefaultName.
void EnsureStandardSpecifiers(TComponent* owner);

} // namespace qlry
