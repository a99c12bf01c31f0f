#include "components/StrUtils.h"

TCharSet::TCharSet(std::initializer_list<char> Chars)
{
    for (char C : Chars)
        Include(C);
}

TCharSet::TCharSet(std::string_view Chars)
{
    for (char C : Chars)
        Include(C);
}

TCharSet& TCharSet::Include(char C)
{
    FBits.set(static_cast<unsigned char>(C));
    return *this;
}

AnsiString ReplaceAll(const AnsiString& Text, const AnsiString& Search, const AnsiString& Replacement)
{
    if (Search.empty())
        return Text;
    AnsiString Result;
    Result.reserve(Text.size());
    std::size_t From = 0;
    for (;;) {
        std::size_t Found = Text.find(Search, From);
        if (Found == AnsiString::npos)
            break;
        Result.append(Text, From, Found - From);
        Result += Replacement;
        From = Found + Search.size();
    }
    Result.append(Text, From, AnsiString::npos);
    return Result;
}

AnsiString RemoveChar(const AnsiString& Text, char C)
{
    AnsiString Result;
    Result.reserve(Text.size());
    for (char Each : Text)
        if (Each != C)
            Result += Each;
    return Result;
}

AnsiString RemoveBlanks(const AnsiString& Text)
{
    return RemoveChar(Text, ' ');
}

AnsiString TrimLeadingSpaces(const AnsiString& Text)
{
    std::size_t First = Text.find_first_not_of(' ');
    return First == AnsiString::npos ? AnsiString() : Text.substr(First);
}

AnsiString TextBeforeChar(const AnsiString& Text, char C)
{
    return Text.substr(0, Text.find(C));
}

void SplitAtChar(AnsiString& Text, char C, AnsiString& Head)
{
    std::size_t Found = Text.find(C);
    if (Found == AnsiString::npos) {
        Head = Text;
        Text.clear();
        return;
    }
    AnsiString Rest = TrimLeadingSpaces(Text.substr(Found));
    Head = Text.substr(0, Found);
    Text = std::move(Rest);
}

namespace {

// Visits the words of Text in order; Visit(start, length) returns false to stop.
template <typename Visitor>
void ForEachWord(const AnsiString& Text, const TCharSet& Delimiters, Visitor Visit)
{
    std::size_t I = 0;
    const std::size_t Len = Text.size();
    while (I < Len) {
        while (I < Len && Delimiters.Contains(Text[I]))
            ++I;
        if (I == Len)
            return;
        std::size_t Start = I;
        while (I < Len && !Delimiters.Contains(Text[I]))
            ++I;
        if (!Visit(Start, I - Start))
            return;
    }
}

}  // namespace

Integer CountWords(const AnsiString& Text, const TCharSet& Delimiters)
{
    Integer Count = 0;
    ForEachWord(Text, Delimiters, [&](std::size_t, std::size_t) {
        ++Count;
        return true;
    });
    return Count;
}

Integer WordStart(Integer N, const AnsiString& Text, const TCharSet& Delimiters)
{
    Integer Result = 0;
    if (N < 1)
        return Result;
    Integer Seen = 0;
    ForEachWord(Text, Delimiters, [&](std::size_t Start, std::size_t) {
        if (++Seen < N)
            return true;
        Result = static_cast<Integer>(Start) + 1;
        return false;
    });
    return Result;
}

AnsiString NthWord(Integer N, const AnsiString& Text, const TCharSet& Delimiters)
{
    AnsiString Result;
    if (N < 1)
        return Result;
    Integer Seen = 0;
    ForEachWord(Text, Delimiters, [&](std::size_t Start, std::size_t Length) {
        if (++Seen < N)
            return true;
        Result = Text.substr(Start, Length);
        return false;
    });
    return Result;
}

AnsiString EncodeHexWithKey(const AnsiString& Key, const AnsiString& Text)
{
    static const char Digits[] = "0123456789abcdef";
    AnsiString Result;
    Result.reserve(Text.size() * 2);
    for (std::size_t I = 0; I < Text.size(); ++I) {
        unsigned char B = static_cast<unsigned char>(Text[I]);
        if (!Key.empty())
            B ^= static_cast<unsigned char>(Key[I % Key.size()]);
        Result += Digits[B >> 4];
        Result += Digits[B & 0x0F];
    }
    return Result;
}

namespace {

int HexDigitValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

}  // namespace

AnsiString DecodeHexWithKey(const AnsiString& Key, const AnsiString& HexText)
{
    AnsiString Result;
    const std::size_t Pairs = HexText.size() / 2;
    Result.reserve(Pairs);
    for (std::size_t I = 0; I < Pairs; ++I) {
        int High = HexDigitValue(HexText[2 * I]);
        int Low = HexDigitValue(HexText[2 * I + 1]);
        unsigned char B = (High < 0 || Low < 0) ? ' ' : static_cast<unsigned char>(High * 16 + Low);
        if (!Key.empty())
            B ^= static_cast<unsigned char>(Key[I % Key.size()]);
        Result += static_cast<char>(B);
    }
    return Result;
}
