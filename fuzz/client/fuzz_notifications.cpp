// Feeds arbitrary bytes as a notification file from the message centre. The
// reader either refuses it with its own error or gives two real times and a
// text as long as the file's text element. A crash, another exception or a
// time that is no minute of a real day is a finding.

#include <cstdint>
#include <cstdlib>

#include "client/Notifications.h"
#include "core/Zprava.h"
#include "platform/rtl/DateUtils.h"

namespace {

// A time read from a notification is a whole minute within the calendar.
void CheckMinute(TDateTime Value) {
    if (!(Value >= MinDateTime && Value <= MaxDateTime)) std::abort();
    Word year, month, day, hour, minute, second, msec;
    DecodeDateTime(Value, year, month, day, hour, minute, second, msec);
    TDateTime again = 0;
    if (second != 0 || msec != 0 || !TryEncodeDateTime(year, month, day, hour, minute, 0, 0, again) || again != Value)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AnsiString bytes(reinterpret_cast<const char*>(data), size);
    TNotification n;
    try {
        n = ParseNotification(bytes);
    } catch (const ENotificationError& E) {
        if (E.Message().empty()) std::abort();
        return 0;
    }
    CheckMinute(n.Expires);
    CheckMinute(n.Published);
    if (n.Text.size() != TagValue(bytes, "<text>").size()) std::abort();
    return 0;
}
