#include "core/Zprava.h"

#include <atomic>

#include "platform/rtl/DateUtils.h"

namespace {

std::atomic<const TSenderSettings*> GSenderSettings{nullptr};

TZpravaLogEvent& LogEventSink()
{
    static TZpravaLogEvent Sink;
    return Sink;
}

AnsiString NickName()
{
    const TSenderSettings* Settings = SenderSettings();
    return Settings ? Settings->NickName() : AnsiString();
}

}  // namespace

void SetSenderSettings(const TSenderSettings* Settings)
{
    GSenderSettings.store(Settings);
}

const TSenderSettings* SenderSettings()
{
    return GSenderSettings.load();
}

void SetZpravaLogEvent(TZpravaLogEvent LogEvent)
{
    LogEventSink() = std::move(LogEvent);
}

// --- Trozdel ---

Trozdel::Trozdel(const AnsiString& Text, bool WholeWords) : FText(Text), FWholeWords(WholeWords)
{
    StripLineBreaks(FText);
    SplitMessage();
}

void Trozdel::StripLineBreaks(AnsiString& Text)
{
    std::erase_if(Text, [](char C) { return C == '\r' || C == '\n'; });
}

void Trozdel::SplitMessage()
{
    const AnsiString Nick = NickName().substr(0, MaxNickLength);
    // The header is written as "1/5 " and its digits are set once the number
    // of parts is known.
    const AnsiString Header = "1/5 ";
    const std::size_t Prefix = Header.size() + Nick.size();
    const std::size_t Limit = MaxPartLength;

    FBareParts.Clear();
    FFullParts.Clear();
    FPartCount = 1;
    FDropped = 0;

    if (Nick.size() + FText.size() <= Limit) {
        FBareParts.Add(FText);
        FFullParts.Add(Nick + FText);
        return;
    }

    AnsiString Rest = FText;
    do {
        Rest = Header + Nick + Rest;
        AnsiString Part = Rest.substr(0, Limit);
        if (FWholeWords) {
            // Cut after the last blank, unless that blank belongs to the
            // header or the nickname: then the part stays full length.
            std::size_t Space = Part.rfind(' ');
            if (Space != AnsiString::npos && Space + 1 > Prefix)
                Part.resize(Space + 1);
        }
        Rest.erase(0, Part.size());
        FFullParts.Add(Part);
        FBareParts.Add(Part.substr(Prefix));
        if (FBareParts.Count() == MaxParts)
            break;
    } while (Prefix + Rest.size() > Limit);

    // Whatever remains after the fifth part is dropped.
    if (!Rest.empty()) {
        if (FBareParts.Count() < MaxParts) {
            FBareParts.Add(Rest);
            FFullParts.Add(Header + Nick + Rest);
        } else {
            FDropped = static_cast<Integer>(Rest.size());
        }
    }

    FPartCount = FFullParts.Count();
    for (int I = 0; I < FPartCount; ++I) {
        AnsiString Part = FFullParts[I];
        Part[0] = static_cast<char>('1' + I);
        Part[2] = static_cast<char>('0' + FPartCount);
        FFullParts.SetString(I, Part);
    }
}

// --- TCislo, TAdresat, TOdesilatel ---

TCislo::TCislo(const AnsiString& Number) : FNumber(NormalizeNumber(Number)) {}

AnsiString TCislo::NormalizeNumber(const AnsiString& Number)
{
    AnsiString Result = Number;
    std::erase_if(Result, [](char C) { return C == ' ' || C == '/' || C == '-'; });
    return Result;
}

TAdresat::TAdresat(const AnsiString& Name, const AnsiString& Second, const AnsiString& Third,
                   const AnsiString& Number)
    : FName(Name), FNumber(std::make_unique<TCislo>(Number)), FThird(Third), FSecond(Second)
{
}

TOdesilatel::TOdesilatel()
{
    const TSenderSettings* Settings = SenderSettings();
    FName = Settings ? Settings->SenderName() : AnsiString();
    FNumber = std::make_unique<TCislo>(Settings ? Settings->SenderNumber() : AnsiString());
}

// --- TZprava, TPosli ---

TZprava::TZprava(Integer RecordNumber, TDateTime DateTime, const AnsiString& Text,
                 std::unique_ptr<TAdresat> Recipient)
    : FRecordNumber(RecordNumber),
      FRecipient(std::move(Recipient)),
      FSender(std::make_unique<TOdesilatel>()),
      FText(Text),
      FDateTime(DateTime),
      FCreated(Now())
{
}

TPosli::TPosli(std::unique_ptr<TZprava> Message) : FMessage(std::move(Message)) {}

void TPosli::ShowDialing()
{
    FStatus = 0;
    TZpravaLogEvent Log = LogEventSink();
    if (Log)
        Log("Vytáčím modem...", false);
}

// --- text functions ---

AnsiString BaseNameNoExt(const AnsiString& Path)
{
    std::size_t Dot = Path.rfind('.');
    if (Dot == AnsiString::npos)
        return Path;
    AnsiString Base = Path.substr(0, Dot);
    std::size_t Separator = Base.find_last_of("\\/:");
    return Separator == AnsiString::npos ? Base : Base.substr(Separator + 1);
}

AnsiString TextBetween(const AnsiString& Text, const AnsiString& StartMarker,
                       const AnsiString& EndMarker)
{
    if (StartMarker.empty() || EndMarker.empty())
        return AnsiString();
    std::size_t Start = Text.find(StartMarker);
    if (Start == AnsiString::npos)
        return AnsiString();
    Start += StartMarker.size();
    std::size_t End = Text.find(EndMarker, Start);
    if (End == AnsiString::npos)
        return AnsiString();
    return Text.substr(Start, End - Start);
}

AnsiString TagValue(const AnsiString& Text, const AnsiString& Tag)
{
    if (Tag.empty())
        return AnsiString();
    // "<name>" opens with "<name" and closes with "</name>".
    const AnsiString Opening = Tag.substr(0, Tag.size() - 1);
    const AnsiString Closing = Tag.substr(0, 1) + "/" + Tag.substr(1);
    if (Opening.empty())
        return AnsiString();

    // A longer name sharing the prefix ("<sender>" for "<send>") is another
    // element, so the prefix must end the name.
    std::size_t At = 0;
    for (;;) {
        At = Text.find(Opening, At);
        if (At == AnsiString::npos)
            return AnsiString();
        std::size_t After = At + Opening.size();
        if (After < Text.size()) {
            char Next = Text[After];
            if (Next == '>' || Next == ' ' || Next == '\t' || Next == '\r' || Next == '\n')
                break;
        }
        ++At;
    }
    std::size_t OpeningEnd = Text.find('>', At + Opening.size());
    if (OpeningEnd == AnsiString::npos)
        return AnsiString();
    std::size_t Start = OpeningEnd + 1;
    std::size_t End = Text.find(Closing, Start);
    if (End == AnsiString::npos)
        return AnsiString();
    return Text.substr(Start, End - Start);
}
