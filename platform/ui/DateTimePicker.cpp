#include "platform/ui/DateTimePicker.h"

#include <QDateTimeEdit>
#include <QLineEdit>

#include <cmath>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/ControlKit.h"

using namespace ui_detail;

namespace {

QDateTime ToQDateTime(TDateTime value) {
    Word y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    // UTC: local daylight-saving gaps must not move the value.
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

TDateTime FromQDateTime(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    return EncodeDateTime(static_cast<Word>(d.year()), static_cast<Word>(d.month()), static_cast<Word>(d.day()),
                          static_cast<Word>(t.hour()), static_cast<Word>(t.minute()), static_cast<Word>(t.second()),
                          static_cast<Word>(t.msec()));
}

// TDateTime keeps the time as the fraction's distance from the day, also
// for days before 1899-12-30, where the value is negative.
TDateTime DatePart(TDateTime v) { return std::trunc(v); }
TDateTime TimePart(TDateTime v) { return std::fabs(v - std::trunc(v)); }
TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

}  // namespace

struct TPickerAccess {
    static void UserEdit(TDateTimePicker* p, const QDateTime& value) {
        if (p->FApplying) return;
        const TDateTime edited = FromQDateTime(value);
        const TDateTime next = p->FKind == dtkDate ? Combine(DatePart(edited), TimePart(p->FDateTime))
                                                   : Combine(DatePart(p->FDateTime), TimePart(edited));
        if (next == p->FDateTime) return;
        p->FDateTime = next;
        p->Change();
    }
};

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    auto* edit = new QDateTimeEdit();
    edit->setCalendarPopup(true);
    edit->setTimeSpec(Qt::UTC);
    AttachWidget(this, edit);
    QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit, [this](const QDateTime& value) {
        SafeCall(this, [this, value] { TPickerAccess::UserEdit(this, value); });
    });
    if (auto* line = edit->findChild<QLineEdit*>()) RouteChildInput(this, line, true, false);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 186, 21);
    FDateTime = Now();
    Apply();
}

TDateTimePicker::~TDateTimePicker() = default;

void TDateTimePicker::Apply() {
    auto* edit = QtWidget<QDateTimeEdit>(this);
    if (!edit) return;
    FApplying = true;
    if (FKind == dtkTime) {
        edit->setDisplayFormat(QStringLiteral("H:mm:ss"));
        edit->setCalendarPopup(false);
    } else {
        edit->setDisplayFormat(FDateFormat == dfLong ? QStringLiteral("d. MMMM yyyy") : QStringLiteral("d.M.yyyy"));
        edit->setCalendarPopup(true);
    }
    edit->setMinimumDateTime(FMinDate != 0 ? ToQDateTime(DatePart(FMinDate)) : QDateTime(QDate(100, 1, 1), QTime(0, 0), Qt::UTC));
    edit->setMaximumDateTime(FMaxDate != 0 ? ToQDateTime(Combine(DatePart(FMaxDate), EncodeTime(23, 59, 59, 999)))
                                           : QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
    edit->setDateTime(ToQDateTime(FDateTime));
    FApplying = false;
}

TDateTime TDateTimePicker::Limit(TDateTime Value) const {
    if (FMinDate != 0 && DatePart(Value) < DatePart(FMinDate)) Value = Combine(DatePart(FMinDate), TimePart(Value));
    if (FMaxDate != 0 && DatePart(Value) > DatePart(FMaxDate)) Value = Combine(DatePart(FMaxDate), TimePart(Value));
    return Value;
}

void TDateTimePicker::SetKind(TDateTimeKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    Apply();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value) {
    if (FDateFormat == Value) return;
    FDateFormat = Value;
    Apply();
}

void TDateTimePicker::SetDateTime(TDateTime Value) {
    Value = Limit(Value);
    if (FDateTime == Value) return;
    FDateTime = Value;
    Apply();
}

TDateTime TDateTimePicker::Date() const { return DatePart(FDateTime); }
void TDateTimePicker::SetDate(TDateTime Value) { SetDateTime(Combine(DatePart(Value), TimePart(FDateTime))); }
TDateTime TDateTimePicker::Time() const { return TimePart(FDateTime); }
void TDateTimePicker::SetTime(TDateTime Value) { SetDateTime(Combine(DatePart(FDateTime), TimePart(Value))); }

void TDateTimePicker::SetMinDate(TDateTime Value) {
    if (FMinDate == Value) return;
    FMinDate = Value;
    FDateTime = Limit(FDateTime);
    Apply();
}

void TDateTimePicker::SetMaxDate(TDateTime Value) {
    if (FMaxDate == Value) return;
    FMaxDate = Value;
    FDateTime = Limit(FDateTime);
    Apply();
}

void TDateTimePicker::Change() { FireEvent(OnChange, this); }

const TEnumType& EnumTypeInfo(TDateTimeKind) {
    static const TEnumType t{"TDateTimeKind", {"dtkDate", "dtkTime"}};
    return t;
}
const TEnumType& EnumTypeInfo(TDTDateFormat) {
    static const TEnumType t{"TDTDateFormat", {"dfShort", "dfLong"}};
    return t;
}

VEMLOR_PUBLISHED(TDateTimePicker, TWinControl) {
    Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat);
    Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind);
    DateTimeProp("DateTime", &TDateTimePicker::DateTime, &TDateTimePicker::SetDateTime);
    // DateTime holds both in a form file.
    DateTimeProp("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate).Stored(false);
    DateTimeProp("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime).Stored(false);
    DateTimeProp("MinDate", &TDateTimePicker::MinDate, &TDateTimePicker::SetMinDate);
    DateTimeProp("MaxDate", &TDateTimePicker::MaxDate, &TDateTimePicker::SetMaxDate);
    EventProp("OnChange", &TDateTimePicker::OnChange);
}
VEMLOR_REGISTER_CLASS(TDateTimePicker);
