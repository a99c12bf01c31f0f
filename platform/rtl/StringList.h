#pragma once
// Lists of strings with the class library's contract. TStrings holds the
// behaviour every list shares (names and values, text forms, files, update
// nesting); storage is left to derived classes, so a control's item list can
// be a TStrings too. TStringList is the stand-alone list with sorting.
//
// Text is bytes: nothing here transcodes. Index errors raise
// EStringListError "List index out of bounds (%d)".

#include <functional>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/System.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TObject {
public:
    TStrings() = default;
    ~TStrings() override = default;
    // Copying a list through the base would slice it; use Assign.
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    // --- storage, provided by derived classes ---
    virtual int Count() const = 0;
    virtual AnsiString Strings(int index) const = 0;
    virtual void SetStrings(int index, const AnsiString& s);
    virtual TObject* Objects(int index) const;
    virtual void SetObjects(int index, TObject* object);
    virtual void Insert(int index, const AnsiString& s) = 0;
    virtual void InsertObject(int index, const AnsiString& s, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    // --- shared behaviour ---
    AnsiString operator[](int index) const { return Strings(index); }
    void SetString(int index, const AnsiString& s) { SetStrings(index, s); }

    // Returns the index the string landed at (a sorted list decides it).
    virtual int Add(const AnsiString& s);
    virtual int AddObject(const AnsiString& s, TObject* object);
    void Append(const AnsiString& s) { Add(s); }
    virtual void AddStrings(const TStrings* strings);
    // Replaces strings and objects (and the separators and quote) with the
    // source's; assigning a list to itself changes nothing.
    virtual void Assign(const TStrings* source);
    void Assign(const TStrings& source) { Assign(&source); }
    // Same strings in the same order, compared byte for byte; objects ignored.
    bool Equals(const TStrings* strings) const;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);

    // First index whose string (or name) compares equal by CompareStrings
    // (ignoring case unless a derived list says otherwise), or -1.
    virtual int IndexOf(const AnsiString& s) const;
    int IndexOfName(const AnsiString& name) const;
    int IndexOfObject(const TObject* object) const;

    // "name=value" lines. Names(i) is "" for a line without the separator,
    // and so is ValueFromIndex(i). SetValues with "" deletes the line.
    AnsiString Names(int index) const;
    AnsiString Values(const AnsiString& name) const;
    void SetValues(const AnsiString& name, const AnsiString& value);
    void SetValue(const AnsiString& name, const AnsiString& value) { SetValues(name, value); }
    AnsiString ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, const AnsiString& value);
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char separator) { FNameValueSeparator = separator; }

    // CR LF after every line. SetText splits at CR, LF or CR LF; a final line
    // break does not start another line.
    AnsiString Text() const;
    virtual void SetText(const AnsiString& text);

    // Items separated by Delimiter; an item holding a control character, a
    // blank, the quote or the delimiter is quoted (quotes doubled). A single
    // empty item reads as two quotes so it survives the round trip. Reading
    // also splits unquoted items at blanks.
    AnsiString DelimitedText() const;
    void SetDelimitedText(const AnsiString& text);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char delimiter) { FDelimiter = delimiter; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char quoteChar) { FQuoteChar = quoteChar; }
    // DelimitedText with ',' and '"' whatever Delimiter and QuoteChar are.
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& text);

    // Nesting; the list reports one change when the outermost update ends.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Replace the lines with the stream's bytes from its position to its end
    // (lines end at CR, LF or CR LF).
    virtual void LoadFromStream(TStream* stream);
    virtual void LoadFromFile(const AnsiString& fileName);
    // Writes Text (CR LF after every line).
    virtual void SaveToStream(TStream* stream) const;
    virtual void SaveToFile(const AnsiString& fileName) const;

protected:
    // Called with true when the outermost BeginUpdate starts and with false
    // when the outermost EndUpdate finishes.
    virtual void SetUpdateState(bool updating);
    // <0, 0, >0; the base ignores case (AnsiCompareText).
    virtual int CompareStrings(const AnsiString& s1, const AnsiString& s2) const;
    // Stores a rewritten "name=value" line at `index` for SetValues and
    // SetValueFromIndex; a sorted list moves it to its new place instead.
    virtual void PutValueLine(int index, const AnsiString& line);
    // Raises EStringListError with the message, formatted with `index` when
    // it holds "%d".
    [[noreturn]] static void Error(const char* message, int index);

private:
    int FUpdateCount = 0;
    char FNameValueSeparator = '=';
    char FDelimiter = ',';
    char FQuoteChar = '"';
};

class TStringList;
// Compare two items of `list` by index: <0, 0, >0.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override = default;

    int Count() const override { return static_cast<int>(FItems.size()); }
    AnsiString Strings(int index) const override;
    // Raises "Operation not allowed on sorted list" on a sorted list.
    void SetStrings(int index, const AnsiString& s) override;
    TObject* Objects(int index) const override;
    void SetObjects(int index, TObject* object) override;
    // Raises "Operation not allowed on sorted list" on a sorted list.
    void Insert(int index, const AnsiString& s) override;
    void InsertObject(int index, const AnsiString& s, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;

    // On a sorted list the string goes to its place; an equal string already
    // there is skipped (dupIgnore, returning its index), raises "String list
    // does not allow duplicates" (dupError) or goes before the first equal
    // one (dupAccept). An unsorted list appends and never checks.
    int Add(const AnsiString& s) override;
    int AddObject(const AnsiString& s, TObject* object) override;
    void Exchange(int index1, int index2) override;
    // Raises "Operation not allowed on sorted list" on a sorted list, before
    // anything is taken out.
    void Move(int curIndex, int newIndex) override;
    int IndexOf(const AnsiString& s) const override;

    // Binary search of a sorted list: true when found; `index` is then the
    // first equal item, otherwise the place the string would be inserted.
    bool Find(const AnsiString& s, int& index) const;
    // Stable; does nothing on a list that is already Sorted.
    virtual void Sort();
    void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }
    // Switching it re-sorts a sorted list.
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool caseSensitive);

    // Both fire once per change, or once around a BeginUpdate/EndUpdate
    // block (OnChanging at its start, OnChange at its end).
    std::function<void(TObject* sender)> OnChange;
    std::function<void(TObject* sender)> OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    void PutValueLine(int index, const AnsiString& line) override;
    int CompareStrings(const AnsiString& s1, const AnsiString& s2) const override;
    virtual void Changed();
    virtual void Changing();

private:
    struct TStringItem {
        AnsiString FString;
        TObject* FObject = nullptr;
    };
    void CheckIndex(int index) const;
    void InsertItem(int index, const AnsiString& s, TObject* object);
    void SortBy(const std::function<int(int, int)>& compare);

    std::vector<TStringItem> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
};
