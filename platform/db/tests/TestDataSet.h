#pragma once
// A minimal engine for testing the data-set base: records are vectors of
// native values, one per field, kept in a list; the bookmark is a record id.

#include <cstring>
#include <string>
#include <vector>

#include "platform/db/DB.h"

class TTestDataSet : public TDataSet {
public:
    struct TRow {
        Integer Id = 0;
        std::vector<std::string> Values;
        std::vector<bool> Has;
    };

    explicit TTestDataSet(TComponent* owner) : TDataSet(owner) {}
    ~TTestDataSet() override {
        Destroying();
        Close();
    }

    // Adds a stored row directly (before or after opening); values by field index.
    void AddRow(const std::vector<std::string>& values) {
        TRow r;
        r.Id = ++FNextId;
        r.Values = values;
        if (FieldCount() > 0) r.Values.resize(static_cast<std::size_t>(FieldCount()));
        r.Has.assign(r.Values.size(), true);
        Rows.push_back(r);
    }
    static std::string Int(Integer v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

    std::vector<TRow> Rows;
    bool ReadOnlyTable = false;

protected:
    struct TBuf {
        TRow Row;
        TBookmarkFlag Flag = bfCurrent;
    };
    static TBuf* B(TRecordBuffer b) { return static_cast<TBuf*>(b); }

    TRecordBuffer AllocRecordBuffer() override { return new TBuf; }
    void FreeRecordBuffer(TRecordBuffer& b) override {
        delete B(b);
        b = nullptr;
    }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override {
        int n = static_cast<int>(Rows.size());
        if (n == 0) return grEOF;
        switch (mode) {
        case gmCurrent: if (FCur < 0 || FCur >= n) return grError; break;
        case gmNext: if (FCur >= n - 1) return grEOF; ++FCur; break;
        case gmPrior: if (FCur <= 0) return grBOF; --FCur; break;
        }
        B(buffer)->Row = Rows[static_cast<std::size_t>(FCur)];
        B(buffer)->Flag = bfCurrent;
        return grOK;
    }
    void GetBookmarkData(TRecordBuffer b, void* data) override { std::memcpy(data, &B(b)->Row.Id, 4); }
    void SetBookmarkData(TRecordBuffer b, const void* data) override { std::memcpy(&B(b)->Row.Id, data, 4); }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer b) override { return B(b)->Flag; }
    void SetBookmarkFlag(TRecordBuffer b, TBookmarkFlag f) override { B(b)->Flag = f; }
    void InternalOpen() override {
        SetBookmarkSize(4);
        InternalInitFieldDefs();
        if (DefaultFields()) CreateFields();
        BindFields(true);
        for (TRow& r : Rows) {
            r.Values.resize(static_cast<std::size_t>(FieldCount()));
            r.Has.resize(r.Values.size(), false);
        }
        FOpen = true;
        FCur = -1;
    }
    void InternalClose() override { FOpen = false; }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalInitFieldDefs() override {
        if (FieldCount() > 0) InitFieldDefsFromFields();
    }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<int>(Rows.size()); }
    void InternalInitRecord(TRecordBuffer b) override {
        B(b)->Row.Values.assign(static_cast<std::size_t>(FieldCount()), std::string());
        B(b)->Row.Has.assign(static_cast<std::size_t>(FieldCount()), false);
    }
    int Find(Integer id) const {
        for (std::size_t i = 0; i < Rows.size(); ++i)
            if (Rows[i].Id == id) return static_cast<int>(i);
        return -1;
    }
    void InternalSetToRecord(TRecordBuffer b) override {
        int i = Find(B(b)->Row.Id);
        if (i >= 0) FCur = i;
    }
    void InternalGotoBookmark(const void* bookmark) override {
        Integer id;
        std::memcpy(&id, bookmark, 4);
        int i = Find(id);
        if (i < 0) DatabaseError("Bookmark not found", this);
        FCur = i;
    }
    void Store(TBuf* b, bool append) {
        TRow row = b->Row;
        row.Id = ++FNextId;
        int pos = append ? static_cast<int>(Rows.size()) : std::max(FCur, 0);
        Rows.insert(Rows.begin() + pos, row);
        FCur = pos;
    }
    void InternalPost() override {
        TDataSet::InternalPost();
        TBuf* b = B(ActiveBuffer());
        if (State() == dsEdit)
            Rows[static_cast<std::size_t>(FCur)] = b->Row;
        else
            Store(b, b->Flag == bfEOF);
    }
    void InternalAddRecord(TRecordBuffer b, bool append) override { Store(B(b), append); }
    void InternalDelete() override {
        Rows.erase(Rows.begin() + FCur);
        if (FCur >= static_cast<int>(Rows.size())) FCur = static_cast<int>(Rows.size()) - 1;
    }
    bool GetCanModify() override { return !ReadOnlyTable; }
    int GetRecordCount() override { return static_cast<int>(Rows.size()); }
    int GetRecNo() override {
        UpdateCursorPos();
        return FCur + 1;
    }

public:
    bool GetFieldData(TField* field, void* buffer) override {
        TBuf* b = Current();
        if (!b) return false;
        auto i = static_cast<std::size_t>(field->Index());
        if (i >= b->Row.Values.size() || !b->Row.Has[i]) return false;
        const std::string& v = b->Row.Values[i];
        if (buffer) {
            if (field->DataType() == ftWideString)
                static_cast<std::u16string*>(buffer)->assign(reinterpret_cast<const char16_t*>(v.data()), v.size() / 2);
            else if (field->IsBlob())
                *static_cast<AnsiString*>(buffer) = v;
            else
                std::memcpy(buffer, v.data(), std::min(v.size(), static_cast<std::size_t>(field->DataSize())));
        }
        return true;
    }
    void SetFieldData(TField* field, const void* buffer) override {
        if (!dsWriteModes.Contains(State())) DatabaseError(SNotEditing, this);
        field->Validate(buffer);
        TBuf* b = Current();
        auto i = static_cast<std::size_t>(field->Index());
        b->Row.Has[i] = buffer != nullptr;
        std::string& v = b->Row.Values[i];
        if (!buffer)
            v.clear();
        else if (field->DataType() == ftWideString) {
            const auto* w = static_cast<const std::u16string*>(buffer);
            v.assign(reinterpret_cast<const char*>(w->data()), w->size() * 2);
        } else if (field->IsBlob())
            v = *static_cast<const AnsiString*>(buffer);
        else
            v.assign(static_cast<const char*>(buffer), static_cast<std::size_t>(field->DataSize()));
        if (State() != dsCalcFields) DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
    }

private:
    TBuf* Current() {
        switch (State()) {
        case dsBrowse: return IsEmpty() ? nullptr : B(ActiveBuffer());
        case dsCalcFields: return B(CalcBuffer());
        case dsInactive: return nullptr;
        default: return B(ActiveBuffer());
        }
    }

    bool FOpen = false;
    int FCur = -1;
    Integer FNextId = 0;
};

// Records what a data link is told.
class TLogLink : public TDataLink {
public:
    std::vector<std::string> Log;

protected:
    void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(int distance) override { Log.push_back("scrolled " + std::to_string(distance)); }
    void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* field) override { Log.push_back("record " + (field ? field->FieldName() : std::string("-"))); }
    void UpdateData() override { Log.push_back("update"); }
};
