#pragma once
// Field objects: one column of a data set as the program sees it. A field
// reads and writes its value through the data set's GetFieldData and
// SetFieldData in the native form of its type:
//
//   type                         native form (DataSize bytes)
//   ftString                     Size characters + NUL (Size + 1)
//   ftSmallint / ftWord          int16 / uint16
//   ftInteger / ftAutoInc        int32
//   ftLargeint                   int64
//   ftBoolean                    uint16, 1 = true, 0 = false
//   ftFloat / ftCurrency         IEEE double
//   ftBCD                        TBcd (34 bytes)
//   ftDate                       int32 day number, 1 January 0001 = day 1
//   ftTime                       int32 milliseconds since midnight
//   ftDateTime                   double: day number * 86400000 + milliseconds
//   ftWideString                 4-byte slot; the value travels as std::u16string
//   blob types                   no slot; the value travels as AnsiString

#include <string>

#include "platform/classes/Alignment.h"
#include "platform/classes/Events.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/DateUtils.h"

using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const AnsiString& Text)>;

// Day 1 is 1 January 0001; TDateTime 0 (30 December 1899) is this day.
inline constexpr Integer DateDelta = 693594;
struct TTimeStamp {
    Integer Time = 0;  // milliseconds since midnight
    Integer Date = 0;  // day number
};
TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& value);
double TimeStampToMSecs(const TTimeStamp& value);
// Raises EConvertError for a millisecond count outside the calendar.
TTimeStamp MSecsToTimeStamp(double msecs);

// Packed decimal as the class library keeps BCD values: precision, sign bit
// (0x80) with the number of decimals, then two digits per byte.
struct TBcd {
    Byte Precision = 0;
    Byte SignSpecialPlaces = 0;
    Byte Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);
TBcd CurrToBcd(double value);  // 4 decimals
double BcdToDouble(const TBcd& value);

// UTF-16 for the wide-string fields; characters Windows-1250 lacks become '?'.
std::u16string AnsiToWide(const AnsiString& s);
AnsiString WideToAnsi(const std::u16string& s);

class TField : public TComponent {
public:
    explicit TField(TComponent* owner);
    ~TField() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Identity
    const AnsiString& FieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& value);
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    virtual void SetSize(int value);
    // Bytes of the native form (see the table above).
    virtual int DataSize() const { return 0; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind value);
    bool Calculated() const { return FFieldKind == fkCalculated; }
    bool Lookup() const { return FFieldKind == fkLookup; }
    virtual bool IsBlob() const { return false; }
    int FieldNo() const { return FFieldNo; }
    int Index() const;
    void SetIndex(int value);
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);

    // Presentation and rules
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool Required() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    // The label defaults to the field name.
    AnsiString DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const AnsiString& value);
    AnsiString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool CanModify() const;

    // Lookup definition: the value of LookupResultField in the record of
    // LookupDataSet whose LookupKeyFields equal this data set's KeyFields.
    TDataSet* LookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* value);
    AnsiString KeyFields, LookupKeyFields, LookupResultField;

    // Value
    bool IsNull() const;
    virtual void Clear() { SetData(nullptr); }
    virtual AnsiString AsString() const;
    virtual void SetAsString(const AnsiString& value);
    virtual Integer AsInteger() const;
    virtual void SetAsInteger(Integer value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual double AsCurrency() const { return AsFloat(); }
    virtual void SetAsCurrency(double value) { SetAsFloat(value); }
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual Variant AsVariant() const;
    virtual void SetAsVariant(const Variant& value);
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // Text for editing and for display; OnGetText / OnSetText take over.
    AnsiString Text() const { return GetTextValue(false); }
    void SetText(const AnsiString& value);
    AnsiString DisplayText() const { return GetTextValue(true); }
    void FocusControl();

    // Raw access in the native form.
    bool GetData(void* buffer) const;
    void SetData(const void* buffer);
    // Runs OnValidate while the new value (buffer) is readable through the
    // field; an engine calls it before storing a value.
    virtual void Validate(const void* buffer);

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    void SetDataType(TFieldType value) { FDataType = value; }
    // The text of the value; displayText asks for the display form.
    virtual void GetText(AnsiString& text, bool displayText) const;
    virtual void SetTextValue(const AnsiString& text) { SetAsString(text); }
    virtual int DefaultDisplayWidth() const { return 10; }
    // Copies a native value (validation buffer) into a reader's buffer.
    virtual void CopyNative(const void* from, void* to) const;
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(double value, double min, double max) const;
    void Notification(TComponent* component, TOperation operation) override;
    void PropertyChanged(bool layout);

private:
    friend class TDataSet;
    AnsiString GetTextValue(bool displayText) const;
    void Change();

    TDataSet* FDataSet = nullptr;
    TDataSet* FLookupDataSet = nullptr;
    AnsiString FFieldName;
    AnsiString FDisplayLabel;
    TFieldType FDataType = ftUnknown;
    TFieldKind FFieldKind = fkData;
    TAlignment FAlignment = taLeftJustify;
    int FSize = 0;
    int FFieldNo = 0;
    int FDisplayWidth = 0;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FValidating = false;
    const void* FValueBuffer = nullptr;
};

// Text; a longer value is cut to Size characters.
class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    int DataSize() const override { return Size() + 1; }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer value) override { SetAsString(IntToStr(value)); }
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? "T" : "F"); }
    double AsFloat() const override;
    void SetAsFloat(double value) override { SetAsString(FloatToStr(value)); }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    Variant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return Size(); }
};

class TNumericField : public TField {
public:
    explicit TNumericField(TComponent* owner);
    AnsiString DisplayFormat, EditFormat;

protected:
    // For the kinds that hold fractions: rounds to an Integer, raising when
    // it does not fit; parses a text ("" clears) and assigns it as a float.
    Integer RoundToInteger(double value) const;
    void SetFloatText(const AnsiString& value);
};

// Smallint, integer, word and auto-increment fields: one class, the width
// follows the data type. Assigning a value outside the type's range (or
// outside MinValue..MaxValue when either is set) raises.
class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner);
    int DataSize() const override;
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer value) override;
    bool AsBoolean() const override { return AsInteger() != 0; }
    void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }
    double AsFloat() const override { return AsInteger(); }
    void SetAsFloat(double value) override;
    Variant AsVariant() const override;
    Integer MinValue = 0, MaxValue = 0;

protected:
    void GetText(AnsiString& text, bool displayText) const override;
    void CopyNative(const void* from, void* to) const override;
    bool GetValue(Integer& value) const;
};
class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner);
};
class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* owner);
};
class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
public:
    explicit TLargeintField(TComponent* owner);
    int DataSize() const override { return 8; }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer value) override { SetAsLargeInt(value); }
    double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
    void SetAsFloat(double value) override;
    Variant AsVariant() const override;
    Int64 AsLargeInt() const;
    void SetAsLargeInt(Int64 value);
};

// Float and currency (Currency() is true for ftCurrency).
class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner);
    int DataSize() const override { return 8; }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer value) override { SetAsFloat(value); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    Variant AsVariant() const override;
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool value) { FCurrency = value; }
    double MinValue = 0, MaxValue = 0;
    int Precision = 15;

protected:
    void GetText(AnsiString& text, bool displayText) const override;
    bool FCurrency = false;
};
class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* owner);
    Variant AsVariant() const override;
};

// Fixed-point values kept as TBcd; read and written as currency.
class TBCDField : public TNumericField {
public:
    explicit TBCDField(TComponent* owner);
    int DataSize() const override { return static_cast<int>(sizeof(TBcd)); }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Integer AsInteger() const override;
    void SetAsInteger(Integer value) override { SetAsFloat(value); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    Variant AsVariant() const override;
};

// DisplayValues "yes-text;no-text" (empty: "True;False").
class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    int DataSize() const override { return 2; }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    Integer AsInteger() const override { return AsBoolean() ? 1 : 0; }
    Variant AsVariant() const override;
    const AnsiString& DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const AnsiString& value);

protected:
    void GetText(AnsiString& text, bool displayText) const override;
    void CopyNative(const void* from, void* to) const override;

private:
    AnsiString FDisplayValues;
    AnsiString FTrueText = STextTrue;
    AnsiString FFalseText = STextFalse;
};

// Date-time, date and time fields: the native form follows the data type.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner);
    int DataSize() const override;
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    Variant AsVariant() const override;
    AnsiString DisplayFormat;

protected:
    void GetText(AnsiString& text, bool displayText) const override;
    void CopyNative(const void* from, void* to) const override;
    bool GetValue(TDateTime& value) const;
};
class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner);
};
class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner);
};

// UTF-16 text of at most Size characters; AsString converts to Windows-1250.
class TWideStringField : public TField {
public:
    explicit TWideStringField(TComponent* owner);
    int DataSize() const override { return 4; }
    AnsiString AsString() const override { return WideToAnsi(AsWideString()); }
    void SetAsString(const AnsiString& value) override { SetAsWideString(AnsiToWide(value)); }
    Variant AsVariant() const override;
    std::u16string AsWideString() const;
    void SetAsWideString(const std::u16string& value);

protected:
    void CopyNative(const void* from, void* to) const override;
};

// Byte strings outside the fixed record. Empty is null.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner, TFieldType type = ftBlob);
    bool IsBlob() const override { return true; }
    AnsiString AsString() const override;
    void SetAsString(const AnsiString& value) override;
    Variant AsVariant() const override;
    void Clear() override { SetAsString(AnsiString()); }
    int BlobSize() const { return static_cast<int>(AsString().size()); }
    // Set by an engine's blob stream once the value was written in the
    // current record; cleared when the record is posted or cancelled.
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream) const;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

protected:
    void GetText(AnsiString& text, bool displayText) const override;
    void CopyNative(const void* from, void* to) const override;

private:
    bool FModified = false;
};
class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner);

protected:
    void GetText(AnsiString& text, bool displayText) const override;
};
class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(TComponent* owner);
};

// The field class the class library creates for a field type (default
// fields); nullptr for a type without one.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);
