#include "platform/db/Fields.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/classes/TypInfo.h"

namespace {

// A native date-time (milliseconds) as TDateTime without integer casts, so
// that any bytes a file held convert without undefined behaviour.
TDateTime MSecsToDateTime(double msecs) {
    if (!std::isfinite(msecs)) return 0;
    double days = std::floor(msecs / MSecsPerDay);
    double frac = (msecs - days * MSecsPerDay) / MSecsPerDay;
    double d = days - DateDelta;
    return d < 0 ? d - frac : d + frac;
}

}  // namespace

// ---------------------------------------------------------------------------
// TField

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    // A data set cannot keep running without one of its fields: it is closed
    // first (quietly when it is being destroyed itself).
    if (FDataSet) {
        if (FDataSet->Active()) FDataSet->Close();
        FDataSet->RemoveField(this);
    }
    FDataSet = nullptr;
}

void TField::SetFieldName(const AnsiString& value) {
    if (value == FFieldName) return;
    if (FDataSet) {
        FDataSet->CheckInactive();
        TField* other = FDataSet->FindField(value);
        if (other && other != this) DatabaseErrorFmt(SDuplicateFieldName, FDataSet, value);
    }
    FFieldName = value;
}

void TField::SetSize(int value) {
    if (FDataSet) FDataSet->CheckInactive();
    FSize = value < 0 ? 0 : value;
}

void TField::SetFieldKind(TFieldKind value) {
    if (FDataSet) FDataSet->CheckInactive();
    FFieldKind = value;
}

int TField::Index() const { return FDataSet ? FDataSet->FFields.IndexOf(this) : -1; }

void TField::SetIndex(int value) {
    if (!FDataSet) return;
    int count = FDataSet->FieldCount();
    if (value < 0) value = 0;
    if (value >= count) value = count - 1;
    int current = Index();
    if (current == value) return;
    FDataSet->FFields.Move(current, value);
    PropertyChanged(true);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) FDataSet->CheckInactive();
    if (dataSet) {
        dataSet->CheckInactive();
        if (!FFieldName.empty() && dataSet->FindField(FFieldName))
            DatabaseErrorFmt(SDuplicateFieldName, dataSet, FFieldName);
    }
    if (FDataSet) FDataSet->RemoveField(this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->AddField(this);
}

void TField::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    PropertyChanged(true);
}

void TField::SetDisplayLabel(const AnsiString& value) {
    AnsiString v = value == FFieldName ? AnsiString() : value;
    if (FDisplayLabel == v) return;
    FDisplayLabel = v;
    PropertyChanged(true);
}

int TField::DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int value) {
    if (FDisplayWidth == value) return;
    FDisplayWidth = value;
    PropertyChanged(true);
}

void TField::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    PropertyChanged(false);
}

void TField::PropertyChanged(bool layout) {
    if (FDataSet && FDataSet->Active()) FDataSet->DataEvent(layout ? deLayoutChange : deDataSetChange, 0);
}

bool TField::CanModify() const {
    if (FReadOnly || !FDataSet) return false;
    if (FFieldKind != fkData && FFieldKind != fkInternalCalc) return false;
    return FDataSet->CanModify();
}

void TField::SetLookupDataSet(TDataSet* value) {
    if (value == FLookupDataSet) return;
    if (FLookupDataSet) RemoveFreeNotification(FLookupDataSet);
    FLookupDataSet = value;
    if (value) FreeNotification(value);
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FLookupDataSet) FLookupDataSet = nullptr;
}

bool TField::GetData(void* buffer) const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
    if (FValidating) {
        if (!FValueBuffer) return false;
        if (buffer) CopyNative(FValueBuffer, buffer);
        return true;
    }
    return FDataSet->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, nullptr, DisplayName());
    TDataSetState state = FDataSet->State();
    if (FReadOnly && state != dsSetKey && state != dsFilter && state != dsCalcFields &&
        state != dsInternalCalc && state != dsNewValue)
        DatabaseErrorFmt(SFieldReadOnly, FDataSet, DisplayName());
    FDataSet->SetFieldData(this, buffer);
}

void TField::CopyNative(const void* from, void* to) const {
    std::memcpy(to, from, static_cast<std::size_t>(DataSize()));
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    FValidating = true;
    FValueBuffer = buffer;
    auto done = ScopeExit([this] {
        FValidating = false;
        FValueBuffer = nullptr;
    });
    TFieldNotifyEvent handler = OnValidate;
    handler(this);
}

void TField::Change() { FireEvent(OnChange, this); }

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::AccessError(const char* typeName) const {
    DatabaseErrorFmt(SFieldAccessError, nullptr, DisplayName(), typeName);
}

void TField::RangeError(double value, double min, double max) const {
    DatabaseErrorFmt(SFieldRangeError, nullptr, FloatToStr(value), DisplayName(), FloatToStr(min),
                     FloatToStr(max));
}

AnsiString TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const AnsiString&) { AccessError("String"); }
Integer TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(Integer) { AccessError("Integer"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
Variant TField::AsVariant() const { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    switch (value.Type() & varTypeMask) {
    case varSmallint:
    case varInteger: SetAsInteger(value.AsInteger()); break;
    case varInt64: SetAsFloat(static_cast<double>(value.AsInt64())); break;
    case varDouble:
    case varCurrency: SetAsFloat(value.AsDouble()); break;
    case varDate: SetAsDateTime(value.AsDateTime()); break;
    case varBoolean: SetAsBoolean(value.AsBoolean()); break;
    default: SetAsString(value.AsString()); break;
    }
}

void TField::GetText(AnsiString& text, bool) const { text = AsString(); }

AnsiString TField::GetTextValue(bool displayText) const {
    AnsiString text;
    if (OnGetText) {
        TFieldGetTextEvent handler = OnGetText;
        handler(const_cast<TField*>(this), text, displayText);
    } else {
        GetText(text, displayText);
    }
    return text;
}

void TField::SetText(const AnsiString& value) {
    if (OnSetText) {
        TFieldSetTextEvent handler = OnSetText;
        handler(this, value);
    } else {
        SetTextValue(value);
    }
}

void TField::FocusControl() {
    if (FDataSet && FDataSet->Active()) {
        TField* self = this;
        FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&self));
    }
}

// ---------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetSize(20);
}

AnsiString TStringField::AsString() const {
    std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
    if (!GetData(buffer.data())) return AnsiString();
    auto end = buffer.find('\0');
    if (end == std::string::npos || end > static_cast<std::size_t>(Size())) end = static_cast<std::size_t>(Size());
    buffer.resize(end);
    return buffer;
}

void TStringField::SetAsString(const AnsiString& value) {
    std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
    std::size_t n = std::min(value.size(), static_cast<std::size_t>(Size()));
    std::memcpy(buffer.data(), value.data(), n);
    SetData(buffer.data());
}

Integer TStringField::AsInteger() const {
    AnsiString s = AsString();
    Integer v = 0;
    if (!TryStrToInt(s, v)) DatabaseErrorFmt(SInvalidIntegerValue, nullptr, s, DisplayName());
    return v;
}

bool TStringField::AsBoolean() const {
    AnsiString s = AsString();
    if (s.empty()) return false;
    switch (s[0]) {
    case 'T': case 't': case 'Y': case 'y': return true;
    case 'F': case 'f': case 'N': case 'n': return false;
    default: DatabaseErrorFmt(SInvalidBoolValue, nullptr, s, DisplayName());
    }
}

double TStringField::AsFloat() const {
    AnsiString s = AsString();
    double v = 0;
    if (!TryStrToFloat(s, v)) DatabaseErrorFmt(SInvalidFloatValue, nullptr, s, DisplayName());
    return v;
}

TDateTime TStringField::AsDateTime() const { return StrToDateTime(AsString()); }

void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::AsVariant() const {
    if (IsNull()) return Null();
    return Variant(AsString());
}

// ---------------------------------------------------------------------------
// Numbers

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

Integer TNumericField::RoundToInteger(double value) const {
    double r = std::round(value);
    if (!(r >= std::numeric_limits<Integer>::min() && r <= std::numeric_limits<Integer>::max()))
        RangeError(r, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    return static_cast<Integer>(r);
}

void TNumericField::SetFloatText(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!TryStrToFloat(value, v)) DatabaseErrorFmt(SInvalidFloatValue, nullptr, value, DisplayName());
    SetAsFloat(v);
}

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }
TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftSmallint); }
TWordField::TWordField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftWord); }
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

int TIntegerField::DataSize() const {
    return (DataType() == ftSmallint || DataType() == ftWord) ? 2 : 4;
}

bool TIntegerField::GetValue(Integer& value) const {
    Byte buffer[4] = {};
    if (!GetData(buffer)) return false;
    switch (DataType()) {
    case ftSmallint: { std::int16_t v; std::memcpy(&v, buffer, 2); value = v; break; }
    case ftWord: { std::uint16_t v; std::memcpy(&v, buffer, 2); value = v; break; }
    default: std::memcpy(&value, buffer, 4); break;
    }
    return true;
}

Integer TIntegerField::AsInteger() const {
    Integer v = 0;
    return GetValue(v) ? v : 0;
}

AnsiString TIntegerField::AsString() const {
    Integer v = 0;
    return GetValue(v) ? IntToStr(v) : AnsiString();
}

void TIntegerField::SetAsInteger(Integer value) {
    double lo = std::numeric_limits<Integer>::min(), hi = std::numeric_limits<Integer>::max();
    if (DataType() == ftSmallint) { lo = -32768; hi = 32767; }
    if (DataType() == ftWord) { lo = 0; hi = 65535; }
    if (MinValue != 0 || MaxValue != 0) { lo = MinValue; hi = MaxValue; }
    if (value < lo || value > hi) RangeError(value, lo, hi);
    Byte buffer[4] = {};
    if (DataType() == ftSmallint || DataType() == ftWord) {
        auto v = static_cast<std::uint16_t>(value);
        std::memcpy(buffer, &v, 2);
    } else {
        std::memcpy(buffer, &value, 4);
    }
    SetData(buffer);
}

void TIntegerField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    Integer v = 0;
    if (!TryStrToInt(value, v)) DatabaseErrorFmt(SInvalidIntegerValue, nullptr, value, DisplayName());
    SetAsInteger(v);
}

void TIntegerField::SetAsFloat(double value) {
    double r = std::round(value);
    if (!(r >= std::numeric_limits<Integer>::min() && r <= std::numeric_limits<Integer>::max()))
        RangeError(value, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    SetAsInteger(static_cast<Integer>(r));
}

Variant TIntegerField::AsVariant() const {
    Integer v = 0;
    if (!GetValue(v)) return Null();
    if (DataType() == ftSmallint) return Variant(static_cast<short>(v));
    return Variant(static_cast<int>(v));
}

void TIntegerField::GetText(AnsiString& text, bool displayText) const {
    Integer v = 0;
    if (!GetValue(v)) {
        text.clear();
        return;
    }
    const AnsiString& fmt = (displayText || EditFormat.empty()) ? DisplayFormat : EditFormat;
    text = fmt.empty() ? IntToStr(v) : FormatFloat(fmt, v);
}

void TIntegerField::CopyNative(const void* from, void* to) const {
    std::memcpy(to, from, static_cast<std::size_t>(DataSize()));
}

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

Int64 TLargeintField::AsLargeInt() const {
    Int64 v = 0;
    return GetData(&v) ? v : 0;
}

void TLargeintField::SetAsLargeInt(Int64 value) { SetData(&value); }

AnsiString TLargeintField::AsString() const {
    Int64 v = 0;
    return GetData(&v) ? IntToStr(v) : AnsiString();
}

void TLargeintField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    Int64 v = 0;
    if (!TryStrToInt64(value, v)) DatabaseErrorFmt(SInvalidIntegerValue, nullptr, value, DisplayName());
    SetAsLargeInt(v);
}

Integer TLargeintField::AsInteger() const {
    Int64 v = AsLargeInt();
    if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max())
        RangeError(static_cast<double>(v), std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    return static_cast<Integer>(v);
}

void TLargeintField::SetAsFloat(double value) {
    double r = std::round(value);
    if (!(r >= -9.2e18 && r <= 9.2e18)) RangeError(value, -9.2e18, 9.2e18);
    SetAsLargeInt(static_cast<Int64>(r));
}

Variant TLargeintField::AsVariant() const {
    Int64 v = 0;
    if (!GetData(&v)) return Null();
    return Variant(static_cast<long long>(v));
}

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    FCurrency = true;
}

double TFloatField::AsFloat() const {
    double v = 0;
    return GetData(&v) ? v : 0;
}

void TFloatField::SetAsFloat(double value) {
    if ((MinValue != 0 || MaxValue != 0) && (value < MinValue || value > MaxValue))
        RangeError(value, MinValue, MaxValue);
    SetData(&value);
}

AnsiString TFloatField::AsString() const {
    double v = 0;
    return GetData(&v) ? FloatToStr(v) : AnsiString();
}

void TFloatField::SetAsString(const AnsiString& value) { SetFloatText(value); }

Integer TFloatField::AsInteger() const { return RoundToInteger(AsFloat()); }

Variant TFloatField::AsVariant() const {
    double v = 0;
    if (!GetData(&v)) return Null();
    return Variant(v);
}

Variant TCurrencyField::AsVariant() const {
    double v = 0;
    if (!GetData(&v)) return Null();
    return Variant::FromCurrency(v);
}

void TFloatField::GetText(AnsiString& text, bool displayText) const {
    double v = 0;
    if (!GetData(&v)) {
        text.clear();
        return;
    }
    const AnsiString& fmt = (displayText || EditFormat.empty()) ? DisplayFormat : EditFormat;
    text = fmt.empty() ? FloatToStr(v) : FormatFloat(fmt, v);
}

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftBCD);
    SetSize(4);
}

double TBCDField::AsFloat() const {
    TBcd v;
    return GetData(&v) ? BcdToDouble(v) : 0;
}

void TBCDField::SetAsFloat(double value) {
    TBcd v = CurrToBcd(value);
    SetData(&v);
}

AnsiString TBCDField::AsString() const { return IsNull() ? AnsiString() : FloatToStr(AsFloat()); }

void TBCDField::SetAsString(const AnsiString& value) { SetFloatText(value); }

Integer TBCDField::AsInteger() const { return RoundToInteger(AsFloat()); }

Variant TBCDField::AsVariant() const {
    if (IsNull()) return Null();
    return Variant::FromCurrency(AsFloat());
}

// ---------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

bool TBooleanField::AsBoolean() const {
    std::uint16_t v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    std::uint16_t v = value ? 1 : 0;
    SetData(&v);
}

AnsiString TBooleanField::AsString() const {
    std::uint16_t v = 0;
    if (!GetData(&v)) return AnsiString();
    return v != 0 ? FTrueText : FFalseText;
}

void TBooleanField::GetText(AnsiString& text, bool) const { text = AsString(); }

void TBooleanField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    // A prefix of either text will do, the false one checked first.
    if (AnsiSameText(Copy(FFalseText, 1, static_cast<Integer>(value.size())), value))
        SetAsBoolean(false);
    else if (AnsiSameText(Copy(FTrueText, 1, static_cast<Integer>(value.size())), value))
        SetAsBoolean(true);
    else
        DatabaseErrorFmt(SInvalidBoolValue, nullptr, value, DisplayName());
}

void TBooleanField::SetDisplayValues(const AnsiString& value) {
    if (value == FDisplayValues) return;
    FDisplayValues = value;
    if (value.empty()) {
        FTrueText = STextTrue;
        FFalseText = STextFalse;
    } else {
        auto p = value.find(';');
        FTrueText = value.substr(0, p);
        FFalseText = p == AnsiString::npos ? AnsiString() : value.substr(p + 1);
    }
    PropertyChanged(false);
}

Variant TBooleanField::AsVariant() const {
    std::uint16_t v = 0;
    if (!GetData(&v)) return Null();
    return Variant(v != 0);
}

void TBooleanField::CopyNative(const void* from, void* to) const { std::memcpy(to, from, 2); }

// ---------------------------------------------------------------------------
// Dates and times

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

int TDateTimeField::DataSize() const { return DataType() == ftDateTime ? 8 : 4; }

bool TDateTimeField::GetValue(TDateTime& value) const {
    Byte buffer[8] = {};
    if (!GetData(buffer)) return false;
    switch (DataType()) {
    case ftDate: {
        Integer day;
        std::memcpy(&day, buffer, 4);
        value = static_cast<double>(day) - DateDelta;
        break;
    }
    case ftTime: {
        Integer ms;
        std::memcpy(&ms, buffer, 4);
        value = static_cast<double>(ms) / MSecsPerDay;
        break;
    }
    default: {
        double ms;
        std::memcpy(&ms, buffer, 8);
        value = MSecsToDateTime(ms);
        break;
    }
    }
    return true;
}

TDateTime TDateTimeField::AsDateTime() const {
    TDateTime v = 0;
    return GetValue(v) ? v : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    TTimeStamp ts = DateTimeToTimeStamp(value);
    Byte buffer[8] = {};
    switch (DataType()) {
    case ftDate: std::memcpy(buffer, &ts.Date, 4); break;
    case ftTime: std::memcpy(buffer, &ts.Time, 4); break;
    default: {
        double ms = TimeStampToMSecs(ts);
        std::memcpy(buffer, &ms, 8);
        break;
    }
    }
    SetData(buffer);
}

AnsiString TDateTimeField::AsString() const {
    AnsiString s;
    GetText(s, false);
    return s;
}

void TDateTimeField::GetText(AnsiString& text, bool displayText) const {
    TDateTime v = 0;
    if (!GetValue(v)) {
        text.clear();
        return;
    }
    if (displayText && !DisplayFormat.empty())
        text = FormatDateTime(DisplayFormat, v);
    else if (DataType() == ftDate)
        text = DateToStr(v);
    else if (DataType() == ftTime)
        text = TimeToStr(v);
    else
        text = DateTimeToStr(v);
}

void TDateTimeField::SetAsString(const AnsiString& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TDateTime v = 0;
    bool ok = DataType() == ftDate ? TryStrToDate(value, v)
              : DataType() == ftTime ? TryStrToTime(value, v)
                                     : TryStrToDateTime(value, v);
    if (!ok) DatabaseErrorFmt(SInvalidDateTimeValue, nullptr, value, DisplayName());
    SetAsDateTime(v);
}

Variant TDateTimeField::AsVariant() const {
    TDateTime v = 0;
    if (!GetValue(v)) return Null();
    return Variant::FromDateTime(v);
}

void TDateTimeField::CopyNative(const void* from, void* to) const {
    std::memcpy(to, from, static_cast<std::size_t>(DataSize()));
}

// ---------------------------------------------------------------------------
// TWideStringField

TWideStringField::TWideStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftWideString);
    SetSize(20);
}

std::u16string TWideStringField::AsWideString() const {
    std::u16string s;
    return GetData(&s) ? s : std::u16string();
}

void TWideStringField::SetAsWideString(const std::u16string& value) { SetData(&value); }

Variant TWideStringField::AsVariant() const {
    if (IsNull()) return Null();
    return Variant(AsString());
}

void TWideStringField::CopyNative(const void* from, void* to) const {
    *static_cast<std::u16string*>(to) = *static_cast<const std::u16string*>(from);
}

// ---------------------------------------------------------------------------
// Blobs

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) { SetDataType(type); }
TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }
TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }

// Engines with blob streams are read and written through them; the others
// pass the whole value through GetFieldData / SetFieldData.
AnsiString TBlobField::AsString() const {
    AnsiString s;
    TDataSet* ds = DataSet();
    std::unique_ptr<TStream> stream = ds ? ds->CreateBlobStream(const_cast<TBlobField*>(this), bmRead) : nullptr;
    if (!stream) return GetData(&s) ? s : AnsiString();
    Int64 size = stream->Size();
    if (size > 0) {
        s.resize(static_cast<std::size_t>(size));
        stream->ReadBuffer(s.data(), static_cast<LongInt>(size));
    }
    return s;
}

void TBlobField::SetAsString(const AnsiString& value) {
    TDataSet* ds = DataSet();
    std::unique_ptr<TStream> stream = ds ? ds->CreateBlobStream(this, bmWrite) : nullptr;
    if (!stream) {
        SetData(&value);
        return;
    }
    if (!value.empty()) stream->WriteBuffer(value.data(), static_cast<LongInt>(value.size()));
}

Variant TBlobField::AsVariant() const {
    AnsiString s = AsString();
    if (s.empty()) return Null();
    return Variant(std::move(s));
}

// A grid shows "(MEMO)", "(BLOB)", "(GRAPHIC)"; lower case when empty.
void TBlobField::GetText(AnsiString& text, bool) const {
    AnsiString name = FieldTypeName(DataType());
    text.assign(1, '(');
    text += IsNull() ? name : UpperCase(name);
    text += ')';
}

void TMemoField::GetText(AnsiString& text, bool displayText) const { TBlobField::GetText(text, displayText); }

void TBlobField::CopyNative(const void* from, void* to) const {
    *static_cast<AnsiString*>(to) = *static_cast<const AnsiString*>(from);
}

void TBlobField::LoadFromStream(TStream* stream) {
    AnsiString data;
    stream->SetPosition(0);
    Int64 size = stream->Size();
    if (size > 0) {
        data.resize(static_cast<std::size_t>(size));
        stream->ReadBuffer(data.data(), static_cast<LongInt>(size));
    }
    SetAsString(data);
}

void TBlobField::SaveToStream(TStream* stream) const {
    AnsiString data = AsString();
    if (!data.empty()) stream->WriteBuffer(data.data(), static_cast<LongInt>(data.size()));
}

void TBlobField::LoadFromFile(const AnsiString& fileName) { SetAsString(ReadFileBytes(fileName)); }

void TBlobField::SaveToFile(const AnsiString& fileName) const { WriteFileAtomic(fileName, AsString()); }

// ---------------------------------------------------------------------------

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
    switch (type) {
    case ftString: return new TStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftWideString: return new TWideStringField(owner);
    case ftBlob: return new TBlobField(owner);
    case ftMemo: return new TMemoField(owner);
    case ftGraphic: return new TGraphicField(owner);
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary: return new TBlobField(owner, type);
    default: return nullptr;
    }
}

// ---------------------------------------------------------------------------
// Published properties (windows are translated and stored by property name)

VEMLOR_PUBLISHED(TField, TComponent) {
    EnumProp("Alignment", &TField::Alignment, &TField::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"},
             "TAlignment");
    Prop("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
    Prop("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
    EnumProp("FieldKind", &TField::FieldKind, &TField::SetFieldKind,
             {"fkData", "fkCalculated", "fkLookup", "fkInternalCalc"}, "TFieldKind");
    Prop("FieldName", &TField::FieldName, &TField::SetFieldName);
    Prop("Index", &TField::Index, &TField::SetIndex);
    Prop("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly);
    Prop("Required", &TField::Required, &TField::SetRequired);
    Prop("Visible", &TField::Visible, &TField::SetVisible);
    EventProp("OnChange", &TField::OnChange);
    EventProp("OnGetText", &TField::OnGetText);
    EventProp("OnSetText", &TField::OnSetText);
    EventProp("OnValidate", &TField::OnValidate);
}

VEMLOR_PUBLISHED(TStringField, TField) {
    Prop("Size", &TStringField::Size, &TStringField::SetSize);
}

VEMLOR_PUBLISHED(TBooleanField, TField) {
    Prop("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}
