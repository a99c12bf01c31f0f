#include "platform/classes/FormText.h"

#include <charconv>
#include <string>

namespace {

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
bool SameKeyword(const AnsiString& word, const char* keyword) {
    if (word.size() != std::char_traits<char>::length(keyword)) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != keyword[i]) return false;
    }
    return true;
}

// A recursive-descent reader over the bytes; Pos never passes Text.size().
class TFormParser {
public:
    TFormParser(const AnsiString& Text, const AnsiString& FileName) : FText(Text), FFileName(FileName) {}

    TFormObject ParseRoot() {
        if (FText.size() > MaxFormTextSize)
            Fail("the text is " + std::to_string(FText.size()) + " bytes long, more than the limit of " +
                 std::to_string(MaxFormTextSize));
        SkipBlanks();
        TFormObject root = ParseObject(0);
        SkipBlanks();
        if (!AtEnd()) Fail("text after the last \"end\"");
        return root;
    }

private:
    [[noreturn]] void Fail(const AnsiString& What) const { FailAt(FLine, What); }
    [[noreturn]] void FailAt(int Line, const AnsiString& What) const {
        throw EReadError(FFileName + "(" + std::to_string(Line) + "): " + What);
    }

    bool AtEnd() const { return FPos >= FText.size(); }
    char Peek(size_t Ahead = 0) const { return FPos + Ahead < FText.size() ? FText[FPos + Ahead] : '\0'; }

    void SkipBlanks() {
        while (!AtEnd()) {
            char c = FText[FPos];
            if (c == '\n')
                ++FLine;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++FPos;
        }
    }

    AnsiString Describe() const {
        if (AtEnd()) return "the end of the text";
        char c = FText[FPos];
        if (static_cast<unsigned char>(c) < ' ') return "character #" + std::to_string(static_cast<unsigned char>(c));
        return "'" + AnsiString(1, c) + "'";
    }

    void Expect(char c, const char* Context) {
        SkipBlanks();
        if (Peek() != c || AtEnd()) Fail(AnsiString("'") + c + "' expected " + Context + ", found " + Describe());
        ++FPos;
    }

    // An identifier, dotted parts joined when Dotted.
    AnsiString ReadIdent(bool Dotted, const char* What) {
        SkipBlanks();
        if (!IsIdentStart(Peek())) Fail(AnsiString(What) + " expected, found " + Describe());
        size_t start = FPos;
        for (;;) {
            while (!AtEnd() && IsIdentChar(FText[FPos])) ++FPos;
            if (!Dotted || Peek() != '.' || !IsIdentStart(Peek(1))) break;
            ++FPos;
        }
        return FText.substr(start, FPos - start);
    }

    void Enter(int Depth) const {
        if (Depth > MaxFormNesting)
            Fail("nesting deeper than the limit of " + std::to_string(MaxFormNesting));
    }

    TFormObject ParseObject(int Depth) {
        Enter(Depth);
        TFormObject result;
        result.Line = FLine;
        AnsiString keyword = ReadIdent(false, "\"object\"");
        if (!SameKeyword(keyword, "object")) Fail("\"object\" expected, found '" + keyword + "'");
        AnsiString first = ReadIdent(false, "a component name or class");
        SkipBlanks();
        if (Peek() == ':') {
            ++FPos;
            result.Name = first;
            result.ClassName = ReadIdent(false, "a class name");
        } else {
            result.ClassName = first;
        }
        for (;;) {
            SkipBlanks();
            int line = FLine;
            if (AtEnd()) FailAt(result.Line, "\"end\" of object " + Title(result) + " missing");
            AnsiString word = ReadIdent(true, "a property name, \"object\" or \"end\"");
            if (SameKeyword(word, "end")) break;
            if (SameKeyword(word, "object")) {
                FPos -= word.size();
                result.Children.push_back(ParseObject(Depth + 1));
                continue;
            }
            if (!result.Children.empty())
                FailAt(line, "property " + word + " after the nested objects of " + Title(result));
            TFormProperty prop;
            prop.Name = word;
            prop.Line = line;
            Expect('=', "after property name " + word);
            prop.Value = ParseValue(Depth + 1);
            result.Properties.push_back(std::move(prop));
        }
        return result;
    }

    static AnsiString Title(const TFormObject& Object) {
        return Object.Name.empty() ? Object.ClassName : Object.Name;
    }

    void Expect(char c, const AnsiString& Context) { Expect(c, Context.c_str()); }

    TFormValue ParseValue(int Depth) {
        Enter(Depth);
        SkipBlanks();
        TFormValue value;
        value.Line = FLine;
        char c = Peek();
        if (AtEnd()) Fail("a value expected, found the end of the text");
        if (c == '\'' || c == '#') {
            value.Type = vaString;
            value.Text = ReadString();
        } else if (c == '-' || c == '+' || c == '$' || IsDigit(c)) {
            ReadNumber(value);
        } else if (IsIdentStart(c)) {
            value.Type = vaIdent;
            value.Text = ReadIdent(true, "an identifier");
        } else if (c == '[') {
            value.Type = vaSet;
            ReadSet(value);
        } else if (c == '(') {
            value.Type = vaList;
            ++FPos;
            for (;;) {
                SkipBlanks();
                if (Peek() == ')' && !AtEnd()) break;
                if (AtEnd()) FailAt(value.Line, "')' of the list missing");
                value.Items.push_back(ParseValue(Depth + 1));
            }
            ++FPos;
        } else if (c == '<') {
            value.Type = vaCollection;
            ++FPos;
            ReadCollection(value, Depth);
        } else if (c == '{') {
            value.Type = vaBinary;
            ++FPos;
            ReadBinary(value);
        } else {
            Fail("a value expected, found " + Describe());
        }
        return value;
    }

    void ReadNumber(TFormValue& Value) {
        size_t start = FPos;
        bool negative = false;
        if (Peek() == '-' || Peek() == '+') negative = FText[FPos++] == '-';
        if (Peek() == '$') {
            ++FPos;
            size_t digits = FPos;
            while (!AtEnd() && HexDigit(FText[FPos]) >= 0) ++FPos;
            std::uint64_t magnitude = 0;
            auto [ptr, ec] = std::from_chars(FText.data() + digits, FText.data() + FPos, magnitude, 16);
            if (digits == FPos || ec != std::errc() || magnitude > 0x7FFFFFFFFFFFFFFFull)
                Fail("invalid hexadecimal number '" + FText.substr(start, FPos - start) + "'");
            Value.Type = vaInteger;
            Value.Integer = negative ? -static_cast<Int64>(magnitude) : static_cast<Int64>(magnitude);
            EndOfToken(start);
            return;
        }
        size_t digits = FPos;
        while (!AtEnd() && IsDigit(FText[FPos])) ++FPos;
        if (digits == FPos) Fail("a digit expected after the sign, found " + Describe());
        bool isFloat = false;
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            ++FPos;
            while (!AtEnd() && IsDigit(FText[FPos])) ++FPos;
        }
        if ((Peek() == 'E' || Peek() == 'e') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '-' || Peek(1) == '+') && IsDigit(Peek(2))))) {
            isFloat = true;
            FPos += 2;
            while (!AtEnd() && IsDigit(FText[FPos])) ++FPos;
        }
        AnsiString text = FText.substr(start, FPos - start);
        EndOfToken(start);
        if (isFloat) {
            long double check = 0;
            if (!ParseFormFloat(text, check)) Fail("invalid number '" + text + "'");
            Value.Type = vaFloat;
            Value.Text = text;
            return;
        }
        Int64 number = 0;
        const char* first = text.data() + (text[0] == '+' ? 1 : 0);
        auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), number, 10);
        if (ec != std::errc() || ptr != text.data() + text.size())
            Fail("number '" + text + "' is out of the range of a 64-bit integer");
        Value.Type = vaInteger;
        Value.Integer = number;
    }

    // A number runs into no letter: "12px" is a fault, not 12 and px.
    void EndOfToken(size_t Start) {
        if (!AtEnd() && (IsIdentChar(FText[FPos]) || FText[FPos] == '.'))
            Fail("invalid number '" + FText.substr(Start, FPos - Start + 1) + "'");
    }

    AnsiString ReadString() {
        AnsiString result;
        for (;;) {
            char c = Peek();
            if (c == '\'' && !AtEnd()) {
                ++FPos;
                for (;;) {
                    if (AtEnd() || FText[FPos] == '\n' || FText[FPos] == '\r') Fail("unterminated string");
                    char d = FText[FPos++];
                    if (d == '\'') {
                        if (Peek() != '\'' || AtEnd()) break;
                        ++FPos;
                    }
                    Append(result, d);
                }
            } else if (c == '#' && !AtEnd()) {
                ++FPos;
                size_t digits = FPos;
                int code = 0;
                while (!AtEnd() && IsDigit(FText[FPos]) && FPos - digits < 4) code = code * 10 + (FText[FPos++] - '0');
                if (digits == FPos || code > 255 || (!AtEnd() && IsDigit(FText[FPos])))
                    Fail("a byte code 0..255 expected after '#'");
                Append(result, static_cast<char>(code));
            } else {
                // "+" at the end of a line continues the string on the next.
                size_t save = FPos;
                int saveLine = FLine;
                SkipBlanks();
                if (Peek() == '+' && !AtEnd()) {
                    ++FPos;
                    SkipBlanks();
                    if ((Peek() == '\'' || Peek() == '#') && !AtEnd()) continue;
                    Fail("a string expected after '+', found " + Describe());
                }
                FPos = save;
                FLine = saveLine;
                return result;
            }
        }
    }

    void Append(AnsiString& Text, char c) const {
        if (Text.size() >= MaxFormStringSize)
            Fail("string longer than the limit of " + std::to_string(MaxFormStringSize) + " bytes");
        Text += c;
    }

    void ReadSet(TFormValue& Value) {
        ++FPos;
        SkipBlanks();
        if (Peek() == ']' && !AtEnd()) {
            ++FPos;
            return;
        }
        for (;;) {
            Value.Members.push_back(ReadIdent(false, "a set member"));
            SkipBlanks();
            if (Peek() == ']' && !AtEnd()) {
                ++FPos;
                return;
            }
            Expect(',', "between set members");
        }
    }

    void ReadCollection(TFormValue& Value, int Depth) {
        for (;;) {
            SkipBlanks();
            if (Peek() == '>' && !AtEnd()) {
                ++FPos;
                return;
            }
            if (AtEnd()) FailAt(Value.Line, "'>' of the collection missing");
            TFormItem item;
            item.Line = FLine;
            AnsiString word = ReadIdent(false, "\"item\" or '>'");
            if (!SameKeyword(word, "item")) Fail("\"item\" expected, found '" + word + "'");
            for (;;) {
                SkipBlanks();
                int line = FLine;
                if (AtEnd()) FailAt(item.Line, "\"end\" of the collection item missing");
                AnsiString name = ReadIdent(true, "a property name or \"end\"");
                if (SameKeyword(name, "end")) break;
                TFormProperty prop;
                prop.Name = name;
                prop.Line = line;
                Expect('=', "after property name " + name);
                prop.Value = ParseValue(Depth + 2);
                item.Properties.push_back(std::move(prop));
            }
            Value.CollectionItems.push_back(std::move(item));
        }
    }

    void ReadBinary(TFormValue& Value) {
        int high = -1;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) FailAt(Value.Line, "'}' of the binary data missing");
            char c = FText[FPos++];
            if (c == '}') break;
            int digit = HexDigit(c);
            if (digit < 0) {
                --FPos;
                Fail("a hexadecimal digit expected in binary data, found " + Describe());
            }
            if (high < 0) {
                high = digit;
                continue;
            }
            if (Value.Text.size() >= MaxFormBinarySize)
                Fail("binary data longer than the limit of " + std::to_string(MaxFormBinarySize) + " bytes");
            Value.Text += static_cast<char>(high * 16 + digit);
            high = -1;
        }
        if (high >= 0) Fail("binary data with an odd number of hexadecimal digits");
    }

    const AnsiString& FText;
    const AnsiString& FFileName;
    size_t FPos = 0;
    int FLine = 1;
};

// --- Printing ------------------------------------------------------------------

class TFormPrinter {
public:
    AnsiString Print(const TFormObject& Root) {
        PrintObject(Root, 0);
        return FOut;
    }

private:
    void Indent(int Level) { FOut.append(static_cast<size_t>(Level) * 2, ' '); }

    void PrintObject(const TFormObject& Object, int Level) {
        Indent(Level);
        FOut += "object ";
        if (!Object.Name.empty()) FOut += Object.Name + ": ";
        FOut += Object.ClassName + "\n";
        PrintProperties(Object.Properties, Level + 1);
        for (const TFormObject& child : Object.Children) PrintObject(child, Level + 1);
        Indent(Level);
        FOut += "end\n";
    }

    void PrintProperties(const std::vector<TFormProperty>& Properties, int Level) {
        for (const TFormProperty& prop : Properties) {
            Indent(Level);
            FOut += prop.Name + " = ";
            PrintValue(prop.Value, Level);
            FOut += "\n";
        }
    }

    void PrintValue(const TFormValue& Value, int Level) {
        switch (Value.Type) {
            case vaInteger: FOut += std::to_string(Value.Integer); break;
            case vaFloat:
            case vaIdent: FOut += Value.Text; break;
            case vaString: PrintString(Value.Text); break;
            case vaSet: {
                FOut += "[";
                for (size_t i = 0; i < Value.Members.size(); ++i) FOut += (i ? ", " : "") + Value.Members[i];
                FOut += "]";
                break;
            }
            case vaList: {
                FOut += "(";
                for (const TFormValue& item : Value.Items) {
                    FOut += "\n";
                    Indent(Level + 1);
                    PrintValue(item, Level + 1);
                }
                FOut += ")";
                break;
            }
            case vaCollection: {
                FOut += "<";
                for (const TFormItem& item : Value.CollectionItems) {
                    FOut += "\n";
                    Indent(Level + 1);
                    FOut += "item\n";
                    PrintProperties(item.Properties, Level + 2);
                    Indent(Level + 1);
                    FOut += "end";
                }
                FOut += ">";
                break;
            }
            case vaBinary: PrintBinary(Value.Text, Level); break;
        }
    }

    // Printable bytes between quotes, control bytes as #codes.
    void PrintString(const AnsiString& Text) {
        if (Text.empty()) {
            FOut += "''";
            return;
        }
        bool quoted = false;
        for (char c : Text) {
            auto byte = static_cast<unsigned char>(c);
            if (byte < ' ' || byte == 127) {
                if (quoted) FOut += "'";
                quoted = false;
                FOut += "#" + std::to_string(byte);
                continue;
            }
            if (!quoted) FOut += "'";
            quoted = true;
            FOut += c;
            if (c == '\'') FOut += '\'';
        }
        if (quoted) FOut += "'";
    }

    void PrintBinary(const AnsiString& Bytes, int Level) {
        static const char digits[] = "0123456789ABCDEF";
        FOut += "{";
        for (size_t i = 0; i < Bytes.size(); ++i) {
            if (i % 32 == 0) {
                FOut += "\n";
                Indent(Level + 1);
            }
            auto byte = static_cast<unsigned char>(Bytes[i]);
            FOut += digits[byte >> 4];
            FOut += digits[byte & 15];
        }
        FOut += "}";
    }

    AnsiString FOut;
};

}  // namespace

TFormValue TFormValue::MakeInteger(Int64 Value) {
    TFormValue result;
    result.Type = vaInteger;
    result.Integer = Value;
    return result;
}

TFormValue TFormValue::MakeString(const AnsiString& Value) {
    TFormValue result;
    result.Type = vaString;
    result.Text = Value;
    return result;
}

TFormValue TFormValue::MakeIdent(const AnsiString& Value) {
    TFormValue result;
    result.Type = vaIdent;
    result.Text = Value;
    return result;
}

TFormObject ParseFormText(const AnsiString& Text, const AnsiString& FileName) {
    return TFormParser(Text, FileName).ParseRoot();
}

AnsiString PrintFormText(const TFormObject& Root) {
    return TFormPrinter().Print(Root);
}

AnsiString FloatToFormText(long double Value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, Value);
    if (ec != std::errc()) return "0";
    AnsiString text(buffer, ptr);
    // A whole number keeps a fraction, so that it reads back as a float.
    if (text.find_first_of(".eEn") == AnsiString::npos) text += ".0";
    return text;
}

bool ParseFormFloat(const AnsiString& Text, long double& Value) {
    const char* begin = Text.data();
    const char* end = Text.data() + Text.size();
    if (begin != end && *begin == '+') ++begin;
    if (begin == end || *begin == '+') return false;
    auto [ptr, ec] = std::from_chars(begin, end, Value, std::chars_format::general);
    return ec == std::errc() && ptr == end;
}
