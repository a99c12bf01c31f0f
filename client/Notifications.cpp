#include "client/Notifications.h"

#include "client/DatMod.h"
#include "core/Caller.h"
#include "core/Language.h"
#include "core/Zprava.h"
#include "core/prevod.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr Int64 kMaxFileSize = 64 * 1024;
constexpr std::size_t kStampLength = 12;

Word Digits(const AnsiString& Stamp, std::size_t From, std::size_t Count) {
    Word value = 0;
    for (std::size_t i = From; i < From + Count; ++i) value = static_cast<Word>(value * 10 + (Stamp[i] - '0'));
    return value;
}

[[noreturn]] void TooLarge(Int64 Size) {
    throw ENotificationError("the file has " + IntToStr(Size) + " bytes, the limit is " + IntToStr(kMaxFileSize));
}

TDateTime ReadStamp(const AnsiString& Bytes, const char* Tag) {
    const AnsiString value = TagValue(Bytes, Tag);
    TDateTime result = 0;
    if (!DecodeStamp(value, result))
        throw ENotificationError(AnsiString(Tag) + " holds \"" + Copy(value, 1, 40) +
                                 "\", not a time of 12 digits yyyymmddhhmm");
    return result;
}

}  // namespace

bool DecodeStamp(const AnsiString& Value, TDateTime& Result) {
    const AnsiString stamp = Trim(Value);
    if (stamp.size() != kStampLength) return false;
    for (char c : stamp)
        if (c < '0' || c > '9') return false;
    return TryEncodeDateTime(Digits(stamp, 0, 4), Digits(stamp, 4, 2), Digits(stamp, 6, 2), Digits(stamp, 8, 2),
                             Digits(stamp, 10, 2), 0, 0, Result);
}

TNotification ParseNotification(const AnsiString& Bytes) {
    if (static_cast<Int64>(Bytes.size()) > kMaxFileSize) TooLarge(static_cast<Int64>(Bytes.size()));
    TNotification n;
    n.Expires = ReadStamp(Bytes, "<expireby>");
    n.Published = ReadStamp(Bytes, "<published>");
    n.Text = IsoToWin(TagValue(Bytes, "<text>"));
    return n;
}

TNotifications::TNotifications(TDM& Data, TNotificationServices& Services) : FData(Data), FServices(Services) {}

void TNotifications::ProcessNotificationFiles() {
    const AnsiString folder = ProgramFolder() + "Mmf/";
    for (const AnsiString& name : ListFiles(folder, "*.not")) {
        ReadNotificationFile(folder + name);
        DeleteFile(folder + name);
    }
}

void TNotifications::ReadNotificationFile(const AnsiString& FileName) {
    TNotification notification;
    try {
        // The size first: the file comes from outside.
        const Int64 size = FileSize(FileName);
        if (size > kMaxFileSize) TooLarge(size);
        notification = ParseNotification(ReadFileBytes(FileName));
    } catch (const EStreamError& E) {
        Fail(LangText("MFFOpenFailed", "Nepodařilo se otevřít notifikační soubor."), E.Message());
        return;
    } catch (const ENotificationError& E) {
        Fail(LangText("MFFReadFailed", "Nepodařilo se zpracovat notifikační soubor."), FileName + ": " + E.Message());
        return;
    }
    // A file left behind by a run that stopped is not shown twice.
    const AnsiString key = NotificationKey(FileName);
    if (Stored(key)) return;
    if (!(Now() < notification.Expires)) return;
    FServices.ShowNotification(notification.Text);
    Append(key, notification);
}

void TNotifications::Fail(const AnsiString& Text, const AnsiString& Reason) {
    // The log keeps the reason, which the dialog leaves out.
    FServices.LogEvent(Text + " (" + Reason + ")", true);
    FServices.ShowNotificationError(Text);
}

bool TNotifications::Stored(const AnsiString& Key) {
    return FData.Notif->Locate("Jmeno", Variant(Key), TLocateOptions{});
}

void TNotifications::Append(const AnsiString& Key, const TNotification& Notification) {
    TMemData* table = FData.Notif;
    table->Append();
    auto cancel = ScopeFail([table] { table->Cancel(); });
    FData.NotifJmeno->SetAsString(Key);
    FData.NotifText->SetAsString(Notification.Text);
    FData.NotifDatum->SetAsDateTime(Notification.Published);
    FData.NotifVyprsi->SetAsDateTime(Notification.Expires);
    table->Post();
}

void TNotifications::PurgeExpiredNotifications() {
    TMemData* table = FData.Notif;
    table->DisableControls();
    auto enable = ScopeExit([table] { table->EnableControls(); });
    const TDateTime now = Now();
    table->First();
    while (!table->Eof()) {
        if (now > FData.NotifVyprsi->AsDateTime())
            table->Delete();
        else
            table->Next();
    }
}
