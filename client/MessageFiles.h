#pragma once
// The files a send hands to a call, in the folder "Mmf" of the program
// folder: one message file "<base>.mmf" per SMS part and, for logos and
// picture messages, the part's bitmap "<base>.bmp" beside it.
//
// A message file is 15 lines, each ended by CR LF, written from the program's
// own text (the text was stripped of diacritics when it was queued) although
// it declares ISO 8859-2:
//
//   LINE  CONTENT
//   1     <?xml version="1.0" encoding="iso-8859-2" ?>
//   2     <!DOCTYPE message SYSTEM "message.dtd">
//   3     <message>
//   4     <serialte>  the sender's station value
//   5     <cline>     the sender's line identity
//   6     <attype>    the sender's device type
//   7     <msisdn>    the recipient's number
//   8     <msgtype>   "text", "ringtone", "logo", "group" or "picture"
//   9     <bodytext>  a text's part as sent, a picture message's whole text, else empty
//   10    <ringtone>  the ring-tone text
//   11    <binary>    always empty
//   12    <email>     the address for the delivery report, may be empty
//   13    <send format="YYYYMMDDhhmm">  the send time yyyymmddhhmm, empty to send at once
//   14    <crcb>      the logo library's number for the bitmap in decimal, empty without one
//   15    </message>
//
// Lines 4 to 14 are each one element on one line. In every value "&", "<"
// and ">" are written "&amp;", "&lt;" and "&gt;", so that no value can end
// its element early or open another, and CR and LF "&#13;" and "&#10;", so
// that a picture message's line breaks stay inside its one line.
//
// A bitmap is a Windows BMP file of 1 bit per pixel.
//
// A base name is the last six characters of the station value, each but a
// letter, digit, '-' or '_' written as '_', followed by a time stamp to the
// millisecond, "yyyymmddhhnnsszzz". Every base name is later than the one
// before it, so no file of a send replaces one of an earlier send.

#include <functional>

#include "platform/rtl/System.h"

// Who sends: three values written into every message file.
struct TSenderIdentity {
    AnsiString Station;       // serialte; its end names the files
    AnsiString LineIdentity;  // cline; the call also announces it
    AnsiString DeviceType;    // attype
};

// The values of lines 7 to 14.
struct TMessageFileValues {
    AnsiString Msisdn;
    AnsiString MsgType;
    AnsiString BodyText;
    AnsiString Ringtone;
    AnsiString Email;
    AnsiString Send;
    AnsiString Crcb;
};

// "&", "<" and ">" as entities, CR and LF as character references; every
// other byte as it stands.
AnsiString EscapeElementValue(const AnsiString& Value);

// The whole message file.
AnsiString MessageFileText(const TSenderIdentity& Sender, const TMessageFileValues& Values);

// The send element's value: SendAt as yyyymmddhhmm when it lies more than
// five minutes after Now, else empty (the centre sends at once).
AnsiString SendTimeText(TDateTime SendAt, TDateTime Now);

// Writes the picture (the bytes of a BMP file of any depth) as a bitmap of
// 1 bit per pixel, nearest colour black or white. Raises when the picture
// cannot be read or the file cannot be written; the file is then left as it was.
void WriteLogoBitmap(const AnsiString& FileName, const AnsiString& Picture);

// The logo library's entry (mac_file), replaceable in tests.
using TMacFileFunc = std::function<Integer(const AnsiString& Path, Cardinal& Number)>;

// The logo library's number for a file; 0 whenever the library fails,
// whatever it left in the number, or is not bound.
Cardinal LogoNumber(const AnsiString& FileName, const TMacFileFunc& MacFile = {});

// Hands out base names. The clock is read once per send; the parts of a
// send are 1 ms apart, and no stamp repeats or goes back, whatever the clock
// does between sends.
class TBaseNames {
public:
    using TClock = std::function<TDateTime()>;
    // Without a clock the program's clock (Now) is used.
    explicit TBaseNames(TClock Clock = {});

    // Starts a send: the next stamp is the clock's, or 1 ms after the last
    // one when the clock has not passed it.
    void BeginSend();
    AnsiString Next(const AnsiString& Station);

    // "yyyymmddhhnnsszzz" of a time in milliseconds since 30 December 1899.
    static AnsiString Stamp(Int64 Milliseconds);
    // The station value's last six characters, safe in a file name.
    static AnsiString StationTail(const AnsiString& Station);

private:
    TClock FClock;
    Int64 FNext = 0;
    Int64 FLast = -1;
};
