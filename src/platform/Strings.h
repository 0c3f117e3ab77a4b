#pragma once
// Lists of text lines with an object per line. Every change goes through the virtual
// hooks Changing and Changed (once per operation, or once per BeginUpdate/EndUpdate
// block), so that a descendant can react to its lines changing.
#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"

namespace qlry {

class TStream;

class TStrings : public TPersistent {
public:
    using NotifyEvent = std::function<void(TObject* sender)>;

    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    NotifyEvent OnChanging;
    NotifyEvent OnChange;

    int Count() const { return GetCount(); }
    std::string Strings(int index) const { return Get(index); }
    std::string operator[](int index) const { return Get(index); }
    virtual void Put(int index, const std::string& text);
    virtual TObject* Objects(int index) const { return nullptr; }
    virtual void PutObject(int index, TObject* object) {}

    virtual int Add(const std::string& text);
    virtual int AddObject(const std::string& text, TObject* object);
    virtual void AddStrings(const TStrings& strings);
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void InsertObject(int index, const std::string& text, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int currentIndex, int newIndex);

    // Searches ignore case unless a descendant says otherwise (CompareStrings).
    virtual int IndexOf(const std::string& text) const;
    int IndexOfName(const std::string& name) const;
    int IndexOfObject(const TObject* object) const;
    // Same lines in the same order, compared exactly.
    bool Equals(const TStrings& other) const;

    // "name=value" lines.
    std::string Names(int index) const;
    std::string Values(const std::string& name) const;
    // An empty value deletes the line.
    void SetValue(const std::string& name, const std::string& value);

    // Every line ends with CRLF; setting splits at CR, LF or CRLF.
    std::string Text() const;
    virtual void SetText(const std::string& text);
    // Lines separated by commas; empty lines and lines with blanks, quotes or commas are
    // double-quoted.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);

    // The lines as raw ANSI bytes. LoadFromStream reads from the stream's position on.
    virtual void LoadFromFile(const std::string& fileName);
    virtual void LoadFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(TStream& stream) const;

    void Assign(const TPersistent* source) override;

    void BeginUpdate();
    void EndUpdate();

protected:
    virtual std::string Get(int index) const = 0;
    virtual int GetCount() const = 0;
    virtual int CompareStrings(const std::string& a, const std::string& b) const;

    // Fire OnChanging / OnChange; descendants that override call these too.
    virtual void Changing();
    virtual void Changed();
    // Called when the outermost update block begins (True) and ends (False).
    virtual void SetUpdateState(bool updating);
    int UpdateCount() const { return updateCount_; }

    // Implementations call these before and after each modification; inside an update
    // block they stay silent.
    void BeginChange() {
        if (updateCount_ == 0) Changing();
    }
    void EndChange() {
        if (updateCount_ == 0) Changed();
    }

    // Runs body as one update block, closing the block also when body raises.
    template <class Body>
    void Updating(Body&& body) {
        BeginUpdate();
        try {
            body();
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }

private:
    int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    // Negative when the line at index1 sorts before the line at index2.
    using CompareFunction = std::function<int(const TStringList& list, int index1, int index2)>;

    void Put(int index, const std::string& text) override;
    TObject* Objects(int index) const override;
    void PutObject(int index, TObject* object) override;

    int Add(const std::string& text) override;
    int AddObject(const std::string& text, TObject* object) override;
    void Insert(int index, const std::string& text) override;
    void InsertObject(int index, const std::string& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const std::string& text) const override;

    // Binary search of a sorted list: True and the first matching index, or False and
    // the index where text would be inserted.
    virtual bool Find(const std::string& text, int& index) const;
    virtual void Sort();
    virtual void CustomSort(const CompareFunction& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    // How Add treats a line already in a sorted list.
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);

protected:
    std::string Get(int index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    int CompareStrings(const std::string& a, const std::string& b) const override;
    // Inserts at index without the checks of a sorted list.
    virtual void InsertItem(int index, const std::string& text, TObject* object);

private:
    struct Item {
        std::string text;
        TObject* object;
    };

    void CheckIndex(int index, int count) const;
    void CheckNotSorted() const;
    void SortBy(const CompareFunction& compare);
    CompareFunction DefaultOrder() const;

    std::vector<Item> items_;
    bool sorted_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool caseSensitive_ = false;
};

} // namespace qlry
