#pragma once
// The message model and the SMS splitter. Trozdel decides what one SMS part
// holds: the composer's counters, the queue's part counts and the message
// files all go through it, so its cutting rules are a promise to stored
// queues. TZprava, TAdresat, TOdesilatel, TCislo and TPosli describe a single
// queued text for the queue's "Odeslat" command.

#include <functional>
#include <memory>

#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/System.h"

// The settings window's values the model reads: the nickname (NickEdit), the
// sender's name (Edit2) and own number (Edit3). The settings window implements
// this; until one is installed every value reads as empty.
class TSenderSettings {
public:
    virtual ~TSenderSettings() = default;
    virtual AnsiString NickName() const = 0;
    virtual AnsiString SenderName() const = 0;
    virtual AnsiString SenderNumber() const = 0;
};

// Installs the source (not owned; nullptr uninstalls). The owner must
// uninstall it before it is destroyed.
void SetSenderSettings(const TSenderSettings* Settings);
const TSenderSettings* SenderSettings();

// The main window's event log: text and error mark.
using TZpravaLogEvent = std::function<void(const AnsiString& Text, bool Error)>;
void SetZpravaLogEvent(TZpravaLogEvent LogEvent);

// Splits a text into SMS parts of at most 160 characters: at most 5 parts,
// each "i/n " + nickname + text, or nickname + text for a single part.
class Trozdel : public TObject {
public:
    static constexpr Integer MaxPartLength = 160;
    static constexpr Integer MaxParts = 5;
    static constexpr Integer MaxNickLength = 10;

    // CR and LF are removed from the text before anything is counted.
    Trozdel(const AnsiString& Text, bool WholeWords);
    Trozdel(const Trozdel&) = delete;
    Trozdel& operator=(const Trozdel&) = delete;

    // Splits the kept text again, with the nickname as it is now.
    void SplitMessage();

    const AnsiString& Text() const { return FText; }
    bool WholeWords() const { return FWholeWords; }
    // The length of the kept text, after line breaks were removed.
    Integer TextLength() const { return static_cast<Integer>(FText.size()); }
    // Each part's text alone, without header and nickname.
    const TStringList& BareParts() const { return FBareParts; }
    // Each part as sent.
    const TStringList& FullParts() const { return FFullParts; }
    Integer PartCount() const { return FPartCount; }
    // Characters of the kept text that no part holds: what is left over
    // after the fifth part. A message is sent whole only when this is 0.
    Integer DroppedLength() const { return FDropped; }

    static void StripLineBreaks(AnsiString& Text);

private:
    AnsiString FText;
    bool FWholeWords;
    TStringList FBareParts;
    TStringList FFullParts;
    Integer FPartCount = 0;
    Integer FDropped = 0;
};

// A phone number, normalised on creation.
class TCislo : public TObject {
public:
    explicit TCislo(const AnsiString& Number);

    const AnsiString& Number() const { return FNumber; }

    // Removes blanks, '/' and '-'; nothing else changes (a leading '+' stays).
    static AnsiString NormalizeNumber(const AnsiString& Number);

private:
    AnsiString FNumber;
};

// A recipient.
class TAdresat : public TObject {
public:
    TAdresat(const AnsiString& Name, const AnsiString& Second, const AnsiString& Third,
             const AnsiString& Number);
    TAdresat(const TAdresat&) = delete;
    TAdresat& operator=(const TAdresat&) = delete;

    const AnsiString& Name() const { return FName; }
    const TCislo& Number() const { return *FNumber; }
    const AnsiString& Third() const { return FThird; }
    const AnsiString& Second() const { return FSecond; }

private:
    AnsiString FName;
    std::unique_ptr<TCislo> FNumber;
    AnsiString FThird;
    AnsiString FSecond;
};

// The sender, as the settings window names it when the object is made.
class TOdesilatel : public TObject {
public:
    TOdesilatel();
    TOdesilatel(const TOdesilatel&) = delete;
    TOdesilatel& operator=(const TOdesilatel&) = delete;

    const AnsiString& Name() const { return FName; }
    const TCislo& Number() const { return *FNumber; }

private:
    AnsiString FName;
    std::unique_ptr<TCislo> FNumber;
};

// A message to one recipient; the sender is taken from the settings.
class TZprava : public TObject {
public:
    TZprava(Integer RecordNumber, TDateTime DateTime, const AnsiString& Text,
            std::unique_ptr<TAdresat> Recipient);
    TZprava(const TZprava&) = delete;
    TZprava& operator=(const TZprava&) = delete;

    Integer RecordNumber() const { return FRecordNumber; }
    // The recipient the caller gave (nullptr when it gave none).
    const TAdresat* Recipient() const { return FRecipient.get(); }
    const TOdesilatel& Sender() const { return *FSender; }
    const AnsiString& Text() const { return FText; }
    TDateTime DateTime() const { return FDateTime; }
    // The clock when the message was made.
    TDateTime Created() const { return FCreated; }

private:
    Integer FRecordNumber;
    std::unique_ptr<TAdresat> FRecipient;
    std::unique_ptr<TOdesilatel> FSender;
    AnsiString FText;
    TDateTime FDateTime;
    TDateTime FCreated;
};

// One send job. Nothing is dialled through it; real sending is the main
// window's send procedure.
class TPosli : public TObject {
public:
    explicit TPosli(std::unique_ptr<TZprava> Message);
    TPosli(const TPosli&) = delete;
    TPosli& operator=(const TPosli&) = delete;

    const TZprava* Message() const { return FMessage.get(); }
    Integer Status() const { return FStatus; }

    // Status 0 and "Vytáčím modem..." in the event log (not translated).
    void ShowDialing();

private:
    std::unique_ptr<TZprava> FMessage;
    Integer FStatus = 0;
};

// The path without its extension, reduced to the file name (after the last
// '\', '/' or ':'); a path without any '.' comes back unchanged.
AnsiString BaseNameNoExt(const AnsiString& Path);
// The text after the first StartMarker up to the first EndMarker after it;
// empty when either is missing (or empty).
AnsiString TextBetween(const AnsiString& Text, const AnsiString& StartMarker,
                       const AnsiString& EndMarker);
// The content of the first element written as Tag ("<name>"), attributes of
// its opening allowed: "<name" counts only when '>' or white space follows, so
// "<send>" never matches "<sender>". Empty when the element is missing.
AnsiString TagValue(const AnsiString& Text, const AnsiString& Tag);
