// Locate and Lookup: finding a record by the values of one or more fields.
// On the sort field of an unfiltered table the search is binary; otherwise
// the records (the filter list when filtered) are scanned in order.

#include <algorithm>
#include <cstring>

#include "tables/memdset.h"

struct TMemData::TKey {
    TField* Field = nullptr;
    TMemField* Desc = nullptr;
    bool Null = false;
    TMemRecord Image;  // the key in the field's stored form, in ImageBytes
    std::unique_ptr<Byte[]> ImageBytes;
    AnsiString Text;   // string and wide-string keys, for the option comparison
};

namespace {

bool IsTextField(const TMemField* d) { return d->DataType() == ftString || d->DataType() == ftWideString; }

AnsiString StoredText(const TMemField* d, const TMemRecord& r) {
    if (d->DataType() == ftWideString) return WideToAnsi(r.Wide(d->WideIndex()));
    const char* p = reinterpret_cast<const char*>(r.Data + d->ValueOffset());
    return AnsiString(p, strnlen(p, static_cast<std::size_t>(d->DataSize())));
}

bool SameTexts(const AnsiString& a, const AnsiString& b, bool ignoreCase) {
    return ignoreCase ? AnsiSameText(a, b) : a == b;
}

}  // namespace

bool TMemData::ConvertKey(TField* field, const Variant& value, TKey& key) {
    key.Field = field;
    key.Desc = FStorage.FindDescriptor(field);
    if (!key.Desc) return false;  // blob fields have no stored value to compare
    if (value.IsNull() || value.IsEmpty()) {
        key.Null = true;
        return true;
    }
    if (key.Desc->DataType() == ftString) {
        key.Text = value.AsString();
        if (static_cast<int>(key.Text.size()) >= key.Desc->DataSize()) return false;
    } else if (key.Desc->DataType() == ftWideString) {
        key.Text = value.AsString();
        if (static_cast<int>(AnsiToWide(key.Text).size()) > field->Size() / 2) return false;
    }
    TMemRecBuf scratch = EmptyBuffer();
    {
        auto shown = ShowBuffer(scratch);
        FConverting = true;
        auto converted = ScopeExit([this] { FConverting = false; });
        field->SetAsVariant(value);
    }
    key.ImageBytes = std::make_unique<Byte[]>(scratch.Data.size());
    std::memcpy(key.ImageBytes.get(), scratch.Data.data(), scratch.Data.size());
    key.Image.Data = key.ImageBytes.get();
    if (!scratch.Wides.empty()) {
        key.Image.Values = std::make_unique<TMemRecordValues>();
        key.Image.Values->Wides = std::move(scratch.Wides);
    }
    return true;
}

// A null key matches a null value only; the option comparison applies to
// texts when options are given, the table's value comparison otherwise.
bool TMemData::KeyMatches(const TKey& key, int pos, TLocateOptions options) const {
    const TMemRecord& r = FStorage.FRecords[static_cast<std::size_t>(pos)];
    bool storedNull = r.Data[static_cast<std::size_t>(key.Desc->NullOffset())] == 0;
    if (key.Null || storedNull) return key.Null && storedNull;
    if (IsTextField(key.Desc) && !options.Empty()) {
        AnsiString stored = StoredText(key.Desc, r);
        bool ignoreCase = options.Contains(loCaseInsensitive);
        if (stored.size() == key.Text.size()) return SameTexts(stored, key.Text, ignoreCase);
        if (stored.size() > key.Text.size() && options.Contains(loPartialKey))
            return SameTexts(stored.substr(0, key.Text.size()), key.Text, ignoreCase);
        return false;
    }
    if (key.Desc->DataType() == ftString && !FSortOptions.Contains(soCaseInsensitive)) {
        // The linguistic comparison calls texts equal only when they are
        // identical, so a scan can test equality byte by byte.
        const char* a = reinterpret_cast<const char*>(r.Data + key.Desc->ValueOffset());
        const char* b = reinterpret_cast<const char*>(key.Image.Data + key.Desc->ValueOffset());
        return std::strncmp(a, b, static_cast<std::size_t>(key.Desc->DataSize())) == 0;
    }
    return CompareValues(key.Desc, r, key.Image) == 0;
}

// Binary search on the sort field: the first record that does not sort
// before the key. A key before the first record gives -1 (0 when it and the
// first text agree as far as the shorter one goes), one after the last the
// last position; both are "not found". With IgnoreCase a text key is compared
// without the case level even when the table sorts with it: the linguistic
// order without case is a coarser order of the same sequence, so texts that
// differ only in case stay together and the search remains valid.
int TMemData::SearchSorted(const TKey& key, bool& found, bool IgnoreCase) const {
    found = false;
    const auto& recs = FStorage.FRecords;
    int n = static_cast<int>(recs.size());
    if (n == 0) return -1;
    const TMemField* d = key.Desc;
    const bool caseless = IsTextField(d) && (IgnoreCase || FSortOptions.Contains(soCaseInsensitive));
    auto compare = [&](const TMemRecord& a, const TMemRecord& b) {
        if (!caseless) return CompareValues(d, a, b);
        int c = AnsiCompareText(SortText(d, a), SortText(d, b));
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        return FSortOptions.Contains(soDesc) ? -c : c;
    };
    if (compare(key.Image, recs.front()) < 0) {
        if (IsTextField(d)) {
            AnsiString first = StoredText(d, recs.front());
            std::size_t common = std::min(first.size(), key.Text.size());
            if (SameTexts(first.substr(0, common), key.Text.substr(0, common), caseless)) return 0;
        }
        return -1;
    }
    if (compare(key.Image, recs.back()) > 0) return n - 1;
    int lo = 0, hi = n;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (compare(recs[static_cast<std::size_t>(mid)], key.Image) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    found = CompareValues(d, recs[static_cast<std::size_t>(lo)], key.Image) == 0;
    return lo;
}

void TMemData::GoToStored(int pos) {
    if (pos == FCurrent) {
        Resync(TResyncMode{});
        return;
    }
    int recNo = FFiltered ? FilterIndexOf(pos) + 1 : pos + 1;
    if (recNo > 0) SetRecNo(recNo);
}

bool TMemData::LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options, bool move,
                            int& foundPos) {
    foundPos = -1;
    if (!IsCursorOpen() || GetRecordCount() == 0 || Trim(keyFields).empty()) return false;
    if (move) {
        CheckBrowseMode();
        UpdateCursorPos();
    }
    // The stored positions a scan visits: the filter list when filtered.
    int n = FStorage.StoredRecordCount();
    int visits = FFiltered ? static_cast<int>(FFilterList.size()) : n;
    auto storedAt = [&](int i) { return FFiltered ? FFilterList[static_cast<std::size_t>(i)] - 1 : i; };
    auto finish = [&](int pos, bool found) {
        if (move && pos >= 0) GoToStored(pos);
        if (found) foundPos = pos;
        return found;
    };

    if (keyFields.find(';') == AnsiString::npos) {
        TField* field = FindField(Trim(keyFields));
        if (!field) return false;
        Variant value = keyValues.IsArray() ? (keyValues.ElementCount() > 0 ? keyValues[0] : Variant()) : keyValues;
        TKey key;
        if (value.IsNull() || value.IsEmpty()) {
            if (State() == dsEdit || State() == dsInsert) return false;
        }
        if (!ConvertKey(field, value, key)) return false;
        bool textOptions = IsTextField(key.Desc) && !options.Empty();
        if (key.Null || FFiltered || field != FSortField) {
            for (int i = 0; i < visits; ++i) {
                int pos = storedAt(i);
                if (KeyMatches(key, pos, textOptions ? options : TLocateOptions{})) return finish(pos, true);
            }
            return false;
        }
        bool equal = false;
        int pos = SearchSorted(key, equal, options.Contains(loCaseInsensitive));
        if (pos < 0) return false;  // outside the records: not found, the cursor stays
        if (options.Contains(loPartialKey) && !KeyMatches(key, pos, options)) return false;
        bool found = textOptions ? KeyMatches(key, pos, options) : equal;
        return finish(pos, found);
    }

    // Several fields: one value per field, all must match.
    std::vector<TKey> keys;
    std::size_t start = 0;
    int index = 0;
    while (start <= keyFields.size()) {
        std::size_t end = keyFields.find(';', start);
        if (end == AnsiString::npos) end = keyFields.size();
        AnsiString name = Trim(keyFields.substr(start, end - start));
        start = end + 1;
        if (name.empty()) continue;
        TField* field = FindField(name);
        if (!field || !keyValues.IsArray() || index >= keyValues.ElementCount()) return false;
        TKey key;
        if (!ConvertKey(field, keyValues[index++], key)) return false;
        keys.push_back(std::move(key));
    }
    if (keys.empty()) return false;
    auto matchesAll = [&](int pos) {
        for (const TKey& k : keys)
            if (!KeyMatches(k, pos, IsTextField(k.Desc) ? options : TLocateOptions{})) return false;
        return true;
    };
    int first = 0;
    bool fromSearch = false;
    if (!FFiltered && keys[0].Field == FSortField && !keys[0].Null) {
        bool equal = false;
        first = std::max(SearchSorted(keys[0], equal, options.Contains(loCaseInsensitive)), 0);
        fromSearch = true;
    }
    for (int i = first; i < visits; ++i) {
        int pos = storedAt(i);
        if (fromSearch && !KeyMatches(keys[0], pos, IsTextField(keys[0].Desc) ? options : TLocateOptions{})) break;
        if (matchesAll(pos)) return finish(pos, true);
    }
    return false;
}

bool TMemData::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
    int pos = -1;
    return LocateRecord(keyFields, keyValues, options, true, pos);
}

Variant TMemData::StoredValue(TField* field, int pos) {
    if (field->DataType() == ftBCD) return Null();
    TMemRecBuf scratch = EmptyBuffer();
    CopyRecordToBuffer(FStorage.FRecords[static_cast<std::size_t>(pos)], scratch);
    auto shown = ShowBuffer(scratch);
    return field->AsVariant();
}

Variant TMemData::Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) {
    TField* result = FindField(Trim(resultFields));
    Variant value = (result && result->DataType() == ftString) ? Variant("") : Variant(false);
    if (!result) return value;
    int pos = -1;
    if (LocateRecord(keyFields, keyValues, TLocateOptions{}, false, pos) && pos >= 0 && !result->IsBlob())
        value = StoredValue(result, pos);
    return value;
}
