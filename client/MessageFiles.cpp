#include "client/MessageFiles.h"

#include <algorithm>
#include <cmath>

#include "core/CallerLib.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr std::size_t kStationTail = 6;
constexpr Int64 kSendAtOnceMs = 5 * 60 * 1000;

// Milliseconds since 30 December 1899; times before it count as that day.
Int64 ToMilliseconds(TDateTime Value) {
    if (!(Value > 0)) return 0;
    return std::llround(Value * MSecsPerDay);
}

AnsiString Element(const char* Name, const AnsiString& Value) {
    return AnsiString("<") + Name + ">" + EscapeElementValue(Value) + "</" + Name + ">\r\n";
}

}  // namespace

AnsiString EscapeElementValue(const AnsiString& Value) {
    AnsiString result;
    result.reserve(Value.size());
    for (char c : Value) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '\r': result += "&#13;"; break;
        case '\n': result += "&#10;"; break;
        default: result += c;
        }
    }
    return result;
}

AnsiString MessageFileText(const TSenderIdentity& Sender, const TMessageFileValues& Values) {
    return "<?xml version=\"1.0\" encoding=\"iso-8859-2\" ?>\r\n"
           "<!DOCTYPE message SYSTEM \"message.dtd\">\r\n"
           "<message>\r\n" +
           Element("serialte", Sender.Station) + Element("cline", Sender.LineIdentity) +
           Element("attype", Sender.DeviceType) + Element("msisdn", Values.Msisdn) +
           Element("msgtype", Values.MsgType) + Element("bodytext", Values.BodyText) +
           Element("ringtone", Values.Ringtone) + Element("binary", "") + Element("email", Values.Email) +
           "<send format=\"YYYYMMDDhhmm\">" + EscapeElementValue(Values.Send) + "</send>\r\n" +
           Element("crcb", Values.Crcb) + "</message>\r\n";
}

AnsiString SendTimeText(TDateTime SendAt, TDateTime Now) {
    // Compared in whole milliseconds: five minutes added to a day fraction
    // do not come out exact in floating point.
    if (ToMilliseconds(SendAt) <= ToMilliseconds(Now) + kSendAtOnceMs) return AnsiString();
    return FormatDateTime("yyyymmddhhnn", SendAt);
}

void WriteLogoBitmap(const AnsiString& FileName, const AnsiString& Picture) {
    TBitmap bitmap;
    bitmap.LoadFromBytes(reinterpret_cast<const Byte*>(Picture.data()), Picture.size());
    bitmap.SetPixelFormat(pf1bit);
    const std::vector<Byte> bytes = bitmap.SaveToBytes();
    WriteFileAtomic(FileName, AnsiString(bytes.begin(), bytes.end()));
}

Cardinal LogoNumber(const AnsiString& FileName, const TMacFileFunc& MacFile) {
    Cardinal number = 0;
    try {
        const Integer result = MacFile ? MacFile(FileName, number) : mac_file(FileName, number);
        if (result != 0) number = 0;
    } catch (const Exception&) {
        // An unbound library: the file still goes, with 0.
        number = 0;
    }
    return number;
}

TBaseNames::TBaseNames(TClock Clock) : FClock(std::move(Clock)) {}

void TBaseNames::BeginSend() {
    FNext = std::max(ToMilliseconds(FClock ? FClock() : Now()), FLast + 1);
}

AnsiString TBaseNames::Next(const AnsiString& Station) {
    FLast = std::max(FNext, FLast + 1);
    FNext = FLast + 1;
    return StationTail(Station) + Stamp(FLast);
}

AnsiString TBaseNames::Stamp(Int64 Milliseconds) {
    const Int64 days = Milliseconds / MSecsPerDay;
    Int64 rest = Milliseconds % MSecsPerDay;
    Word year, month, day;
    DecodeDate(static_cast<TDateTime>(days), year, month, day);
    const Int64 msec = rest % 1000;
    rest /= 1000;
    const Int64 sec = rest % 60;
    rest /= 60;
    return Format("%.4d%.2d%.2d%.2d%.2d%.2d%.3d", year, month, day, rest / 60, rest % 60, sec, msec);
}

AnsiString TBaseNames::StationTail(const AnsiString& Station) {
    AnsiString tail = Station.size() > kStationTail ? Station.substr(Station.size() - kStationTail) : Station;
    for (char& c : tail) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_';
        if (!safe) c = '_';
    }
    return tail;
}
