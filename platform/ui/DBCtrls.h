#pragma once
// Data-aware controls: each shows one field of the current record through a
// TFieldDataLink and writes what the user changes back into it.
//
//   TDBEdit, TDBMemo   the field's text; typing puts the data set into edit
//                      mode, the text goes into the field when the record is
//                      posted or the control is left; Escape takes it back.
//   TDBText            the field's display text, read only.
//   TDBCheckBox        ticked for a true Boolean or a text among ValueChecked.
//   TDBLookupComboBox  the ListField of the records of ListSource; picking
//                      one makes its KeyField value the KeyValue and, with a
//                      DataField, the bound field's value.

#include <memory>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TextCtrls.h"

class TFieldDataLink : public TDataLink {
public:
    TFieldDataLink() = default;

    const AnsiString& FieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& Value);
    // The bound field of the active data set, nullptr without one.
    TField* Field() const { return FField; }
    // The control the data set may ask to take the focus for the field.
    TComponent* Control() const { return FControl; }
    void SetControl(TComponent* Value) { FControl = Value; }
    bool CanModify() const;
    // The control's value differs from the field's.
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    // Back to the field's value (OnDataChange).
    void Reset();

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void UpdateField();

    AnsiString FFieldName;
    TField* FField = nullptr;
    TComponent* FControl = nullptr;
    bool FModified = false;
};

class TDBEdit : public TEdit {
public:
    explicit TDBEdit(TComponent* AOwner);
    ~TDBEdit() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const AnsiString& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FReadOnlyProp; }
    void SetReadOnly(bool Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange();
    void ApplyReadOnly();

    std::unique_ptr<TFieldDataLink> FDataLink;
    bool FReadOnlyProp = false;
    bool FSettingText = false;
};

class TDBMemo : public TMemo {
public:
    explicit TDBMemo(TComponent* AOwner);
    ~TDBMemo() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const AnsiString& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FReadOnlyProp; }
    void SetReadOnly(bool Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange();
    void ApplyReadOnly();

    std::unique_ptr<TFieldDataLink> FDataLink;
    bool FReadOnlyProp = false;
    bool FSettingText = false;
};

class TDBText : public TLabel {
public:
    explicit TDBText(TComponent* AOwner);
    ~TDBText() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const AnsiString& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TFieldDataLink> FDataLink;
};

class TDBCheckBox : public TCheckBox {
public:
    explicit TDBCheckBox(TComponent* AOwner);
    ~TDBCheckBox() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const AnsiString& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Alternatives separated by ";"; the first is what a tick writes.
    const AnsiString& ValueChecked() const { return FValueChecked; }
    void SetValueChecked(const AnsiString& Value);
    const AnsiString& ValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const AnsiString& Value);

    void Click() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange();
    TCheckBoxState FieldState() const;

    std::unique_ptr<TFieldDataLink> FDataLink;
    AnsiString FValueChecked = "True";
    AnsiString FValueUnchecked = "False";
    bool FReadOnly = false;
    bool FSettingState = false;
};

// True when Text equals one of the ";"-separated alternatives, ignoring case.
bool MatchesAlternative(const AnsiString& Text, const AnsiString& Alternatives);
// The first alternative (the whole text without a ";").
AnsiString FirstAlternative(const AnsiString& Alternatives);

class TLookupListLink;

class TDBLookupComboBox : public TComboBox {
public:
    explicit TDBLookupComboBox(TComponent* AOwner);
    ~TDBLookupComboBox() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const AnsiString& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const AnsiString& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* Value);
    const AnsiString& ListField() const { return FListField; }
    void SetListField(const AnsiString& Value);
    const AnsiString& KeyField() const { return FKeyField; }
    void SetKeyField(const AnsiString& Value);
    // The key of the chosen record (null when none).
    const Variant& KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Reads the list's records again (the list data set changed).
    void RefreshList();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TLookupListLink;
    void Select() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange();
    void ShowKey();

    std::unique_ptr<TFieldDataLink> FDataLink;
    std::unique_ptr<TLookupListLink> FListLink;
    AnsiString FListField;
    AnsiString FKeyField;
    Variant FKeyValue;
    std::vector<AnsiString> FKeys;
    bool FReadOnly = false;
    bool FFilling = false;
};
