#pragma once
// Data-set helpers of the grids and the lookup editor: small tests of a data
// set, the field layout kept in the settings file when a grid has no columns
// of its own, and finding a record by the text of one field.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/db/DataSet.h"

class TIniFile;

// True when the data set is closed or stands at both its beginning and end.
bool DataSetHasNoRecords(TDataSet* DataSet);
// True when the data set is open, not empty, the bookmark is valid and going
// to it raised no error.
bool GotoBookmarkSafe(TDataSet* DataSet, const TBookmark& Bookmark);
// The owner form's section name when a form owns the data set, else its Name.
AnsiString DataSetLayoutSection(TDataSet* DataSet);

// Field layout: key data-set Name + field name, value "index,display width,
// visible (1/0)". An empty section means DataSetLayoutSection.
void SaveFieldLayout(TDataSet* DataSet, TIniFile* IniFile, const AnsiString& Section);
// A missing key or a number that does not parse keeps the current value,
// and so does a display width below 1; a wider one than kMaxStoredDisplayWidth
// is cut to it. The visible flag is read only with LoadVisible.
void LoadFieldLayout(TDataSet* DataSet, const TIniFile* IniFile, const AnsiString& Section, bool LoadVisible);

// A settings file is text anyone may edit: the widths a stored layout gives
// are the user's own drags, so a width beyond a wide screen is cut to the
// limit (a grid pays for every pixel of a column on each repaint) and one
// below 1 is no width at all and keeps the current one.
constexpr Integer kMaxStoredColumnWidth = 8192;   // pixels
constexpr Integer kMaxStoredDisplayWidth = 1024;  // characters
Integer StoredLayoutWidth(const AnsiString& Text, Integer Current, Integer Limit);

// Moves each item to the place it asks for, as stored layouts are applied:
// for p = 0, 1, ... the first item (in the order before any move) asking
// for p goes to p. An item asking for a place another took first, or for a
// place out of range, stays where the other moves leave it.
template <class Item, class Move>
void ApplyTargetIndices(const std::vector<std::pair<Item*, Integer>>& Targets, Move MoveTo) {
    for (Integer p = 0; p < Integer(Targets.size()); ++p)
        for (const auto& [item, target] : Targets)
            if (target == p) {
                MoveTo(item, p);
                break;
            }
}

// Finds a record by the text of one field. The steps are virtual so that an
// engine that knows a faster way can take over.
class TLocateObject : public TObject {
public:
    explicit TLocateObject(TDataSet* ADataSet) : FDataSet(ADataSet) {}
    ~TLocateObject() override;

    TDataSet* DataSet() const { return FDataSet; }
    TField* LookupField() const { return FLookupField; }
    const AnsiString& LookupValue() const { return FLookupValue; }
    bool LookupExact() const { return FLookupExact; }
    bool CaseSensitive() const { return FCaseSensitive; }
    const TBookmark& Bookmark() const { return FBookmark; }

    // The current record when it matches, else the first that does; when
    // none does the data set goes back to where it was. A value is compared
    // with the field's text cut to its length when not Exact; a field that
    // is not a string field always compares case-sensitively.
    bool Locate(const AnsiString& KeyField, const AnsiString& Value, bool Exact, bool CaseSensitive);

protected:
    // Raises when the lookup field cannot be searched this way.
    virtual void CheckFieldType(TField* Field);
    virtual void ActiveChanged();
    virtual bool LocateFilter();
    virtual bool LocateKey();
    virtual bool LocateFull();
    virtual bool UseKey() const;
    virtual bool FilterApplicable() const;
    bool MatchesLookup(TField* Field) const;

private:
    TDataSet* FDataSet;
    TField* FLookupField = nullptr;
    AnsiString FLookupValue;
    bool FLookupExact = false;
    bool FCaseSensitive = false;
    TBookmark FBookmark;
};

using TCreateLocateObjectHook = std::function<std::unique_ptr<TLocateObject>(TDataSet* DataSet)>;
// When set, CreateLocateObject asks the hook first.
void SetCreateLocateObjectHook(TCreateLocateObjectHook Hook);
std::unique_ptr<TLocateObject> CreateLocateObject(TDataSet* DataSet);

bool LocateByValue(TDataSet* DataSet, const AnsiString& FieldName, const AnsiString& Value, bool Exact,
                   bool CaseSensitive);
