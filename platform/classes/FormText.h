#pragma once
// The text of a form file as a tree, and its reader and printer. TReader and
// TWriter (Filer.h) give the tree its meaning; here it is only syntax.
//
//   object fMain: TfMain                 an object: name (optional), class
//     Caption = 'Zpr'#225'vy'             property = value
//     Font.Style = [fsBold]              dotted names reach nested objects
//     object Button1: TButton            nested objects after the properties
//       OnClick = Button1Click
//     end
//   end
//
// Values:
//   12  -3  $1F             integers (decimal, or hexadecimal after "$")
//   1.5  -2.25E-3           floats, "." whatever the locale
//   'It''s'#13#10'next'     strings: quoted runs ('' is a quote) and #byte
//                           codes, written together; "+" at the end of a line
//                           joins the next string. Bytes are Windows-1250.
//   clBtnFace  True  DM.X   identifiers, dotted for another form's component
//   [akLeft, akTop]         sets of identifiers
//   ('a' 'b' 1 True)        lists of values
//   <item Width = 50 end>   collections: items with properties
//   {0A1B...}               binary data as hexadecimal digits
//
// The text is untrusted: nesting, string, binary and overall sizes are
// bounded, and every fault raises EReadError "<file>(<line>): <what>".

#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/System.h"

enum TValueType { vaInteger, vaFloat, vaString, vaIdent, vaSet, vaList, vaCollection, vaBinary };

struct TFormProperty;

// One collection item: its properties.
struct TFormItem {
    int Line = 0;
    std::vector<TFormProperty> Properties;
};

struct TFormValue {
    TValueType Type = vaInteger;
    int Line = 0;
    Int64 Integer = 0;                  // vaInteger
    AnsiString Text;                    // vaFloat (as written), vaString, vaIdent, vaBinary (the bytes)
    std::vector<AnsiString> Members;    // vaSet
    std::vector<TFormValue> Items;      // vaList
    std::vector<TFormItem> CollectionItems;  // vaCollection

    static TFormValue MakeInteger(Int64 Value);
    static TFormValue MakeString(const AnsiString& Value);
    static TFormValue MakeIdent(const AnsiString& Value);
};

struct TFormProperty {
    AnsiString Name;   // may be dotted: "Font.Style"
    TFormValue Value;
    int Line = 0;
};

struct TFormObject {
    AnsiString Name;   // empty for an unnamed component
    AnsiString ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

// Limits on what a form text may hold.
constexpr int MaxFormNesting = 64;                      // objects, lists and collections inside each other
constexpr size_t MaxFormTextSize = 16u * 1024 * 1024;   // the whole text
constexpr size_t MaxFormStringSize = 1024u * 1024;      // one string value
constexpr size_t MaxFormBinarySize = 4u * 1024 * 1024;  // one binary value, in bytes

// Reads one object (with its nested objects) that fills the whole text.
// FileName only names the text in messages.
TFormObject ParseFormText(const AnsiString& Text, const AnsiString& FileName);

// The text of an object tree, two blanks of indentation per level, lines
// ended by LF (the reader takes CR LF too).
AnsiString PrintFormText(const TFormObject& Root);

// A float value's text as form files write it ("." always, the shortest text
// that reads back as the same value), and back; false for text that is no
// float.
AnsiString FloatToFormText(long double Value);
bool ParseFormFloat(const AnsiString& Text, long double& Value);
