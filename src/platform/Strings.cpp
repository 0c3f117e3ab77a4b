#include "platform/Strings.h"

#include <algorithm>
#include <numeric>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"

namespace qlry {

// TStrings --------------------------------------------------------------------------

void TStrings::Put(int index, const std::string& text) {
    Updating([&] {
        TObject* object = Objects(index);
        Delete(index);
        InsertObject(index, text, object);
    });
}

int TStrings::Add(const std::string& text) {
    int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::AddObject(const std::string& text, TObject* object) {
    int index = 0;
    Updating([&] {
        index = Add(text);
        PutObject(index, object);
    });
    return index;
}

void TStrings::AddStrings(const TStrings& strings) {
    Updating([&] {
        for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.Objects(i));
    });
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
    Updating([&] {
        Insert(index, text);
        PutObject(index, object);
    });
}

void TStrings::Exchange(int index1, int index2) {
    Updating([&] {
        std::string text1 = Get(index1);
        TObject* object1 = Objects(index1);
        Put(index1, Get(index2));
        PutObject(index1, Objects(index2));
        Put(index2, text1);
        PutObject(index2, object1);
    });
}

void TStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    Updating([&] {
        std::string text = Get(currentIndex);
        TObject* object = Objects(currentIndex);
        Delete(currentIndex);
        InsertObject(newIndex, text, object);
    });
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), text) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        size_t equals = line.find('=');
        if (equals != std::string::npos && CompareStrings(line.substr(0, equals), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (Objects(i) == object) return i;
    return -1;
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

std::string TStrings::Names(int index) const {
    std::string line = Get(index);
    size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TStrings::Values(const std::string& name) const {
    int index = IndexOfName(name);
    if (index < 0) return "";
    std::string line = Get(index);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
    int index = IndexOfName(name);
    if (!value.empty()) {
        if (index < 0) Add(name + "=" + value);
        else Put(index, name + "=" + value);
    } else if (index >= 0) {
        Delete(index);
    }
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) text.append(Get(i)).append("\r\n");
    return text;
}

void TStrings::SetText(const std::string& text) {
    Updating([&] {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos) end = text.size();
            Add(text.substr(start, end - start));
            // CR, LF and CRLF each end one line.
            if (end < text.size() && text[end] == '\r') ++end;
            if (end < text.size() && text[end] == '\n') ++end;
            start = end;
        }
    });
}

static bool IsCommaBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TStrings::CommaText() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        if (i > 0) text += ',';
        // Empty lines are quoted too, so that setting the text back gives the same lines.
        bool quote = line.empty() ||
                     std::any_of(line.begin(), line.end(), [](char c) { return IsCommaBlank(c) || c == '"' || c == ','; });
        if (!quote) {
            text += line;
            continue;
        }
        text += '"';
        for (char c : line) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStrings::SetCommaText(const std::string& text) {
    Updating([&] {
        Clear();
        size_t i = 0;
        auto skipBlanks = [&] {
            while (i < text.size() && IsCommaBlank(text[i])) ++i;
        };
        skipBlanks();
        while (i < text.size()) {
            std::string item;
            if (text[i] == '"') {
                for (++i; i < text.size(); ++i) {
                    if (text[i] == '"') {
                        if (i + 1 >= text.size() || text[i + 1] != '"') {
                            ++i;
                            break;
                        }
                        ++i;  // a doubled quote stands for one
                    }
                    item += text[i];
                }
            } else {
                while (i < text.size() && !IsCommaBlank(text[i]) && text[i] != ',') item += text[i++];
            }
            Add(item);
            skipBlanks();
            if (i < text.size() && text[i] == ',') {
                ++i;
                skipBlanks();
            }
        }
    });
}

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TStrings::LoadFromStream(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
    SetText(text);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TStrings::SaveToStream(TStream& stream) const {
    std::string text = Text();
    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::Assign(const TPersistent* source) {
    if (auto* strings = dynamic_cast<const TStrings*>(source)) {
        if (strings == this) return;
        Updating([&] {
            Clear();
            AddStrings(*strings);
        });
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Changing() {
    if (OnChanging) OnChanging(this);
}

void TStrings::Changed() {
    if (OnChange) OnChange(this);
}

void TStrings::SetUpdateState(bool updating) {
    if (updating) Changing();
    else Changed();
}

// TStringList -----------------------------------------------------------------------

void TStringList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) throw EStringListError("List index out of bounds (%d)", {index});
}

void TStringList::CheckNotSorted() const {
    if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
}

std::string TStringList::Get(int index) const {
    CheckIndex(index, Count());
    return items_[index].text;
}

void TStringList::Put(int index, const std::string& text) {
    CheckNotSorted();
    CheckIndex(index, Count());
    BeginChange();
    items_[index].text = text;
    EndChange();
}

TObject* TStringList::Objects(int index) const {
    CheckIndex(index, Count());
    return items_[index].object;
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index, Count());
    BeginChange();
    items_[index].object = object;
    EndChange();
}

int TStringList::Add(const std::string& text) { return AddObject(text, nullptr); }

int TStringList::AddObject(const std::string& text, TObject* object) {
    int index = Count();
    if (sorted_ && Find(text, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, text, object);
    return index;
}

void TStringList::Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }

void TStringList::InsertObject(int index, const std::string& text, TObject* object) {
    CheckNotSorted();
    CheckIndex(index, Count() + 1);
    InsertItem(index, text, object);
}

void TStringList::InsertItem(int index, const std::string& text, TObject* object) {
    BeginChange();
    items_.insert(items_.begin() + index, Item{text, object});
    EndChange();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    BeginChange();
    items_.erase(items_.begin() + index);
    EndChange();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    BeginChange();
    items_.clear();
    EndChange();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    BeginChange();
    std::swap(items_[index1], items_[index2]);
    EndChange();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

bool TStringList::Find(const std::string& text, int& index) const {
    int low = 0, high = Count();
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (CompareStrings(items_[middle].text, text) < 0) low = middle + 1;
        else high = middle;
    }
    index = low;
    return low < Count() && CompareStrings(items_[low].text, text) == 0;
}

int TStringList::IndexOf(const std::string& text) const {
    if (!sorted_) return TStrings::IndexOf(text);
    int index = 0;
    return Find(text, index) ? index : -1;
}

void TStringList::SortBy(const CompareFunction& compare) {
    if (Count() < 2) return;
    BeginChange();
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
    EndChange();
}

TStringList::CompareFunction TStringList::DefaultOrder() const {
    return [this](const TStringList&, int index1, int index2) {
        return CompareStrings(items_[index1].text, items_[index2].text);
    };
}

void TStringList::Sort() {
    // A sorted list is kept in order already.
    if (!sorted_) SortBy(DefaultOrder());
}

void TStringList::CustomSort(const CompareFunction& compare) {
    if (!sorted_) SortBy(compare);
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) SortBy(DefaultOrder());
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) SortBy(DefaultOrder());
}

} // namespace qlry
