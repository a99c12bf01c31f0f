#include "platform/rtl/StringList.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

namespace {

const char* const kIndexError = "List index out of bounds (%d)";
const char* const kSortedError = "Operation not allowed on sorted list";
const char* const kDuplicateError = "String list does not allow duplicates";

// Keeps BeginUpdate/EndUpdate paired when an operation in between raises.
class TUpdateScope {
public:
    explicit TUpdateScope(TStrings& strings) : FStrings(strings) { FStrings.BeginUpdate(); }
    ~TUpdateScope() { FStrings.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TStrings& FStrings;
};

bool NeedsQuotes(const AnsiString& s, char delimiter, char quoteChar) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) <= ' ' || c == quoteChar || c == delimiter) return true;
    }
    return false;
}

AnsiString Quoted(const AnsiString& s, char quoteChar) {
    AnsiString result(1, quoteChar);
    for (char c : s) {
        result += c;
        if (c == quoteChar) result += c;
    }
    result += quoteChar;
    return result;
}

bool IsBlank(char c) {
    // Blanks and control characters, except the NUL byte, which the class
    // library's C-string scanner took for the end of the text. Here it is an
    // ordinary character, so nothing after it is lost.
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

AnsiString ComposeDelimited(const TStrings& strings, char delimiter, char quoteChar) {
    int count = strings.Count();
    if (count == 1 && strings.Strings(0).empty()) return AnsiString(2, quoteChar);
    AnsiString result;
    for (int i = 0; i < count; ++i) {
        AnsiString s = strings.Strings(i);
        if (i > 0) result += delimiter;
        result += NeedsQuotes(s, delimiter, quoteChar) ? Quoted(s, quoteChar) : s;
    }
    return result;
}

void ParseDelimited(TStrings& strings, const AnsiString& text, char delimiter, char quoteChar) {
    TUpdateScope update(strings);
    strings.Clear();
    std::size_t p = 0;
    std::size_t n = text.size();
    while (p < n && IsBlank(text[p])) ++p;
    while (p < n) {
        AnsiString s;
        if (text[p] == quoteChar) {
            // A quoted item; a doubled quote stands for one, and an item
            // without its closing quote runs to the end of the text.
            ++p;
            while (p < n) {
                if (text[p] == quoteChar) {
                    if (p + 1 < n && text[p + 1] == quoteChar) {
                        s += quoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += text[p++];
            }
        } else {
            std::size_t start = p;
            while (p < n && !IsBlank(text[p]) && text[p] != delimiter) ++p;
            s.assign(text, start, p - start);
        }
        strings.Add(s);
        while (p < n && IsBlank(text[p])) ++p;
        if (p < n && text[p] == delimiter) {
            // A delimiter at the very end stands for a last, empty item.
            if (p + 1 == n) strings.Add(AnsiString());
            ++p;
            while (p < n && IsBlank(text[p])) ++p;
        }
    }
}

}  // namespace

// --------------------------------------------------------------- TStrings

void TStrings::Error(const char* message, int index) {
    AnsiString text(message);
    auto at = text.find("%d");
    if (at != AnsiString::npos) text.replace(at, 2, IntToStr(index));
    throw EStringListError(text);
}

void TStrings::SetStrings(int index, const AnsiString& s) {
    TObject* object = Objects(index);
    TUpdateScope update(*this);
    Delete(index);
    InsertObject(index, s, object);
}

TObject* TStrings::Objects(int) const { return nullptr; }

void TStrings::SetObjects(int, TObject*) {}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* object) {
    TUpdateScope update(*this);
    Insert(index, s);
    SetObjects(index, object);
}

int TStrings::Add(const AnsiString& s) {
    int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* object) {
    TUpdateScope update(*this);
    int index = Add(s);
    SetObjects(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings* strings) {
    if (strings == nullptr) return;
    // Adding a list to itself must not chase its own growing end.
    std::vector<std::pair<AnsiString, TObject*>> items;
    items.reserve(static_cast<std::size_t>(strings->Count()));
    for (int i = 0; i < strings->Count(); ++i) items.emplace_back(strings->Strings(i), strings->Objects(i));
    TUpdateScope update(*this);
    for (auto& item : items) AddObject(item.first, item.second);
}

void TStrings::Assign(const TStrings* source) {
    if (source == this) return;
    if (source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
    TUpdateScope update(*this);
    Clear();
    FNameValueSeparator = source->FNameValueSeparator;
    FDelimiter = source->FDelimiter;
    FQuoteChar = source->FQuoteChar;
    AddStrings(source);
}

bool TStrings::Equals(const TStrings* strings) const {
    if (strings == nullptr) return false;
    int count = Count();
    if (count != strings->Count()) return false;
    for (int i = 0; i < count; ++i) {
        if (Strings(i) != strings->Strings(i)) return false;
    }
    return true;
}

void TStrings::Exchange(int index1, int index2) {
    TUpdateScope update(*this);
    AnsiString s1 = Strings(index1);
    TObject* o1 = Objects(index1);
    SetStrings(index1, Strings(index2));
    SetObjects(index1, Objects(index2));
    SetStrings(index2, s1);
    SetObjects(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    TUpdateScope update(*this);
    AnsiString s = Strings(curIndex);
    TObject* object = Objects(curIndex);
    // Check the target before the line is taken out, so a bad index loses nothing.
    if (newIndex < 0 || newIndex >= Count()) Error(kIndexError, newIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, object);
}

int TStrings::IndexOf(const AnsiString& s) const {
    int count = Count();
    for (int i = 0; i < count; ++i) {
        if (CompareStrings(Strings(i), s) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
    int count = Count();
    for (int i = 0; i < count; ++i) {
        AnsiString s = Strings(i);
        auto at = s.find(FNameValueSeparator);
        if (at != AnsiString::npos && CompareStrings(s.substr(0, at), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    int count = Count();
    for (int i = 0; i < count; ++i) {
        if (Objects(i) == object) return i;
    }
    return -1;
}

AnsiString TStrings::Names(int index) const {
    AnsiString s = Strings(index);
    auto at = s.find(FNameValueSeparator);
    return at == AnsiString::npos ? AnsiString() : s.substr(0, at);
}

AnsiString TStrings::Values(const AnsiString& name) const {
    int index = IndexOfName(name);
    return index < 0 ? AnsiString() : ValueFromIndex(index);
}

void TStrings::SetValues(const AnsiString& name, const AnsiString& value) {
    int index = IndexOfName(name);
    if (!value.empty()) {
        AnsiString line = name + FNameValueSeparator + value;
        if (index < 0)
            Add(line);
        else
            PutValueLine(index, line);
    } else if (index >= 0) {
        Delete(index);
    }
}

AnsiString TStrings::ValueFromIndex(int index) const {
    // The class library dropped the first character of a line without the
    // separator; such a line has no value.
    AnsiString s = Strings(index);
    auto at = s.find(FNameValueSeparator);
    return at == AnsiString::npos ? AnsiString() : s.substr(at + 1);
}

void TStrings::SetValueFromIndex(int index, const AnsiString& value) {
    if (!value.empty()) {
        if (index < 0) index = Add(AnsiString());
        PutValueLine(index, Names(index) + FNameValueSeparator + value);
    } else if (index >= 0) {
        Delete(index);
    }
}

void TStrings::PutValueLine(int index, const AnsiString& line) { SetStrings(index, line); }

AnsiString TStrings::Text() const {
    AnsiString result;
    int count = Count();
    for (int i = 0; i < count; ++i) {
        result += Strings(i);
        result += "\r\n";
    }
    return result;
}

void TStrings::SetText(const AnsiString& text) {
    TUpdateScope update(*this);
    Clear();
    std::size_t p = 0;
    std::size_t n = text.size();
    while (p < n) {
        std::size_t start = p;
        while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
        Add(text.substr(start, p - start));
        if (p < n && text[p] == '\r') ++p;
        if (p < n && text[p] == '\n') ++p;
    }
}

AnsiString TStrings::DelimitedText() const { return ComposeDelimited(*this, FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(const AnsiString& text) { ParseDelimited(*this, text, FDelimiter, FQuoteChar); }

AnsiString TStrings::CommaText() const { return ComposeDelimited(*this, ',', '"'); }

void TStrings::SetCommaText(const AnsiString& text) { ParseDelimited(*this, text, ',', '"'); }

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    // An unpaired EndUpdate would leave the list updating for good.
    if (FUpdateCount == 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const AnsiString& s1, const AnsiString& s2) const { return AnsiCompareText(s1, s2); }

void TStrings::LoadFromStream(TStream* stream) {
    // Read to the end rather than trusting Size - Position up front.
    AnsiString text;
    char buffer[64 * 1024];
    for (;;) {
        LongInt n = stream->Read(buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    SetText(text);
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TStrings::SaveToStream(TStream* stream) const {
    AnsiString text = Text();
    std::size_t done = 0;
    while (done < text.size()) {
        LongInt n = static_cast<LongInt>(std::min<std::size_t>(text.size() - done, 64 * 1024));
        stream->WriteBuffer(text.data() + done, n);
        done += static_cast<std::size_t>(n);
    }
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
    // Through a temporary file, so a failed save keeps the old file whole.
    TAtomicFileWriter writer(fileName);
    writer.Write(Text());
    writer.Commit();
}

// ------------------------------------------------------------ TStringList

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error(kIndexError, index);
}

AnsiString TStringList::Strings(int index) const {
    CheckIndex(index);
    return FItems[static_cast<std::size_t>(index)].FString;
}

void TStringList::SetStrings(int index, const AnsiString& s) {
    if (FSorted) Error(kSortedError, 0);
    CheckIndex(index);
    Changing();
    FItems[static_cast<std::size_t>(index)].FString = s;
    Changed();
}

TObject* TStringList::Objects(int index) const {
    CheckIndex(index);
    return FItems[static_cast<std::size_t>(index)].FObject;
}

void TStringList::SetObjects(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    FItems[static_cast<std::size_t>(index)].FObject = object;
    Changed();
}

void TStringList::Insert(int index, const AnsiString& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const AnsiString& s, TObject* object) {
    if (FSorted) Error(kSortedError, 0);
    if (index < 0 || index > Count()) Error(kIndexError, index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* object) {
    Changing();
    FItems.insert(FItems.begin() + index, TStringItem{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (FItems.empty()) return;
    Changing();
    FItems.clear();
    Changed();
}

int TStringList::Add(const AnsiString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const AnsiString& s, TObject* object) {
    int index = Count();
    if (FSorted && Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore: return index;
        case dupError: Error(kDuplicateError, 0);
        case dupAccept: break;
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FItems[static_cast<std::size_t>(index1)], FItems[static_cast<std::size_t>(index2)]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
    // The class library took the line out and then refused to put it back.
    if (FSorted) Error(kSortedError, 0);
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    TStringItem item = std::move(FItems[static_cast<std::size_t>(curIndex)]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
    Changed();
}

int TStringList::IndexOf(const AnsiString& s) const {
    if (!FSorted) return TStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const AnsiString& s, int& index) const {
    bool found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        int middle = low + (high - low) / 2;
        int c = CompareStrings(FItems[static_cast<std::size_t>(middle)].FString, s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    if (FSorted || Count() < 2) return;
    Changing();
    SortBy([this](int a, int b) {
        return CompareStrings(FItems[static_cast<std::size_t>(a)].FString, FItems[static_cast<std::size_t>(b)].FString);
    });
    Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (FSorted || Count() < 2 || !compare) return;
    Changing();
    SortBy([this, &compare](int a, int b) { return compare(this, a, b); });
    Changed();
}

void TStringList::SortBy(const std::function<int(int, int)>& compare) {
    // A bottom-up merge sort of positions. The items stay where they are
    // until the order is known, so the comparison always sees the indices it
    // is given; and since it only ever reads inside the ranges it merges, a
    // comparison that contradicts itself gives an odd order, never a fault.
    std::size_t n = FItems.size();
    std::vector<int> order(n);
    std::vector<int> scratch(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<int>(i);
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t left = 0; left < n; left += 2 * width) {
            std::size_t middle = std::min(left + width, n);
            std::size_t right = std::min(left + 2 * width, n);
            std::size_t i = left, j = middle, k = left;
            while (i < middle && j < right) scratch[k++] = compare(order[j], order[i]) < 0 ? order[j++] : order[i++];
            while (i < middle) scratch[k++] = order[i++];
            while (j < right) scratch[k++] = order[j++];
        }
        order.swap(scratch);
    }
    std::vector<TStringItem> sorted;
    sorted.reserve(n);
    for (int index : order) sorted.push_back(std::move(FItems[static_cast<std::size_t>(index)]));
    FItems.swap(sorted);
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == FSorted) return;
    if (sorted) Sort();
    FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == FCaseSensitive) return;
    FCaseSensitive = caseSensitive;
    // The class library left a sorted list in the old order, after which
    // Find could miss; sort it by the new rule.
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

void TStringList::PutValueLine(int index, const AnsiString& line) {
    if (!FSorted) {
        SetStrings(index, line);
        return;
    }
    // A sorted list refuses SetStrings; the line moves to its new place.
    TUpdateScope update(*this);
    TObject* object = Objects(index);
    Delete(index);
    AddObject(line, object);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const AnsiString& s1, const AnsiString& s2) const {
    return FCaseSensitive ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

void TStringList::Changed() {
    if (UpdateCount() != 0 || !OnChange) return;
    auto handler = OnChange;
    handler(this);
}

void TStringList::Changing() {
    if (UpdateCount() != 0 || !OnChanging) return;
    auto handler = OnChanging;
    handler(this);
}
