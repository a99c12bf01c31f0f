#pragma once
// Notifications the message centre leaves for the user. A call stores each
// new one as a file "Mmf\<name>.not" of the program folder; the main window
// then reads every such file, shows its text once, keeps it in Notif until
// it expires (the call skips the names Notif holds) and deletes the file.
//
// A notification file is ISO 8859-2 text holding, anywhere in it, three
// elements; everything else in it is ignored:
//
//   ELEMENT       CONTENT
//   <expireby>    the expiry, 12 digits: year 4, month 2, day 2, hour 2, minute 2
//   <published>   the publication time, in the same form
//   <text>        the text for the user
//
// An element runs from the end of its opening tag, which may carry
// attributes, to its closing tag; a missing tag gives an empty value. Blanks
// and line breaks around a time are allowed. A file of more than 64 KiB is
// no notification.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/System.h"

class TDM;

// What reading notifications needs of the main window.
class TNotificationServices {
public:
    virtual ~TNotificationServices() = default;
    // Shows a notification's text (an information dialog with an OK button).
    virtual void ShowNotification(const AnsiString& Text) = 0;
    // Says that a notification file could not be used (an error dialog with
    // an OK button).
    virtual void ShowNotificationError(const AnsiString& Text) = 0;
    // Adds an entry to the event log.
    virtual void LogEvent(const AnsiString& Text, bool Error) = 0;
};

struct TNotification {
    AnsiString Text;  // Windows-1250
    TDateTime Published = 0;
    TDateTime Expires = 0;
};

// A notification that cannot be used; the message names the element and its value.
VEMLOR_DECLARE_EXCEPTION(ENotificationError, Exception);

// The three elements of a notification file's bytes, the text converted to
// Windows-1250. Raises ENotificationError when a time is missing or not in
// its 12-digit form, or the file is too large.
TNotification ParseNotification(const AnsiString& Bytes);

// "yyyymmddhhmm" as a local date and time; false for anything else, an
// impossible date or time included. The program-wide date formats play no part.
bool DecodeStamp(const AnsiString& Value, TDateTime& Result);

class TNotifications {
public:
    // Notif must be open while the object is used.
    TNotifications(TDM& Data, TNotificationServices& Services);

    // Reads every "Mmf\*.not" of the program folder in name order and deletes
    // each one read. An unexpected failure (the table refusing a row) stops
    // the run and leaves that file and the later ones for the next run.
    void ProcessNotificationFiles();

    // Shows a notification that has not expired and appends it to Notif
    // under the file's NotificationKey. A file that cannot be read or used is
    // shown as an error and logged with the reason, and leaves Notif as it
    // was; one whose key Notif holds already is not shown again.
    void ReadNotificationFile(const AnsiString& FileName);

    // Deletes the rows of Notif whose expiry lies before now.
    void PurgeExpiredNotifications();

private:
    bool Stored(const AnsiString& Key);
    void Append(const AnsiString& Key, const TNotification& Notification);
    void Fail(const AnsiString& Text, const AnsiString& Reason);

    TDM& FData;
    TNotificationServices& FServices;
};
