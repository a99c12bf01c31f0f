#pragma once
// Finds, in the programs' C++ sources, every text key they look up, with
// the Czech default written beside it. It reads the code the way a reviewer
// would, without compiling it:
//
//   LangText("NoUpdate", "Žádná nová verze.")        a lookup with a literal key
//   LangFormat("Download", "Staženo %d KB z %d KB", a, b)
//   Lang()->GetText("GrpAll", "Všichni")
//   AnsiString Text(const char* Key, const char* Default) { return LangText(Key, Default); }
//   Text("StartUpdate", "Zjišťuji ...")              a function that hands a parameter
//                                                    on as the key is a lookup too: in
//                                                    its own source file, or everywhere
//                                                    when a header defines it
//   {9, "ErrDial", "Nebyl detekován ..."}            in a file that looks keys up
//                                                    through a variable, the table rows
//                                                    of a key and its default count
//
// Comments are skipped; adjacent literals are joined and their escapes
// resolved; texts come back as Windows-1250, like the language files.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/System.h"

struct TKeyUse {
    AnsiString Key;
    AnsiString Default;  // Windows-1250; empty when the call gave no literal
    AnsiString Where;    // "client/nastaveni.cpp:99"
};

class TKeyCollector {
public:
    // One source file as it stands in the tree (UTF-8); Name is for messages.
    void AddSource(const AnsiString& Name, const std::string& Text);
    // Every use found in the sources added so far, in file order.
    std::vector<TKeyUse> Uses() const;
    // The lookup functions that calls in the file reach, with the position of
    // their key argument: the three of the language unit and the forwarding
    // functions found.
    std::map<AnsiString, size_t> Lookups(const AnsiString& File) const;

private:
    enum TTokenKind { tkWord, tkString, tkNumber, tkPunct };
    struct TToken {
        TTokenKind Kind;
        std::string Text;  // a string's decoded bytes (UTF-8)
        int Line;
    };
    struct TSource {
        AnsiString Name;
        std::vector<TToken> Tokens;
    };
    // A call Name(...): the token ranges of its arguments.
    struct TCall {
        size_t NameToken;
        std::vector<std::pair<size_t, size_t>> Args;
    };

    static std::vector<TToken> Tokenize(const std::string& Text);
    static std::vector<TCall> Calls(const std::vector<TToken>& Tokens);
    static bool IsKey(const std::string& Text);
    // Every lookup found: the global ones by name, a file's own as "file|name".
    std::map<AnsiString, size_t> AllLookups() const;
    static std::map<AnsiString, size_t> LookupsOf(const std::map<AnsiString, size_t>& All, const AnsiString& File);

    std::vector<TSource> FSources;
};
