#pragma once
// TDateTimePicker: edits the date or the time part of a TDateTime. The
// other part is kept as it was set. OnChange fires for the user's edits
// only; setting the value in code fires nothing, as in the class library.

#include "platform/rtl/System.h"
#include "platform/ui/Controls.h"

enum TDateTimeKind { dtkDate, dtkTime };
const TEnumType& EnumTypeInfo(TDateTimeKind);
enum TDTDateFormat { dfShort, dfLong };
const TEnumType& EnumTypeInfo(TDTDateFormat);

class TDateTimePicker : public TWinControl {
public:
    explicit TDateTimePicker(TComponent* AOwner);
    ~TDateTimePicker() override;

    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    // The whole value; milliseconds are kept.
    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime Value);
    // The date part (whole days) and the time part (the fraction).
    TDateTime Date() const;
    void SetDate(TDateTime Value);
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    // 0 = no limit. The value is kept within the limits.
    TDateTime MinDate() const { return FMinDate; }
    void SetMinDate(TDateTime Value);
    TDateTime MaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime Value);

    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual void Change();

private:
    friend struct TPickerAccess;
    void Apply();
    TDateTime Limit(TDateTime Value) const;

    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    TDateTime FDateTime = 0;
    TDateTime FMinDate = 0;
    TDateTime FMaxDate = 0;
    bool FApplying = false;
};
