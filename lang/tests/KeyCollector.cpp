#include "KeyCollector.h"

#include <cctype>

#include "platform/rtl/CodePage.h"

namespace {

bool IsWordChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_'; }

// "if (...) {" looks like a definition to a reader of tokens.
bool IsStatement(const std::string& Word) {
    return Word == "if" || Word == "for" || Word == "while" || Word == "switch" || Word == "catch";
}

// The bytes a literal's body stands for (the escapes C++ sources use).
std::string Unescape(const std::string& Body) {
    std::string out;
    for (size_t i = 0; i < Body.size(); ++i) {
        if (Body[i] != '\\' || i + 1 == Body.size()) {
            out += Body[i];
            continue;
        }
        switch (char c = Body[++i]) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        default: out += c; break;  // \" \' \\ and the rest stand for themselves
        }
    }
    return out;
}

}  // namespace

void TKeyCollector::AddSource(const AnsiString& Name, const std::string& Text) {
    FSources.push_back({Name, Tokenize(Text)});
}

bool TKeyCollector::IsKey(const std::string& Text) {
    if (Text.empty() || !std::isalpha(static_cast<unsigned char>(Text[0]))) return false;
    for (char c : Text)
        if (!IsWordChar(c)) return false;
    return true;
}

std::vector<TKeyCollector::TToken> TKeyCollector::Tokenize(const std::string& Text) {
    std::vector<TToken> tokens;
    int line = 1;
    size_t i = 0;
    const size_t n = Text.size();
    while (i < n) {
        const char c = Text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (Text.compare(i, 2, "//") == 0) {
            while (i < n && Text[i] != '\n') ++i;
        } else if (Text.compare(i, 2, "/*") == 0) {
            const size_t end = Text.find("*/", i + 2);
            const size_t stop = end == std::string::npos ? n : end + 2;
            for (; i < stop; ++i)
                if (Text[i] == '\n') ++line;
        } else if (c == '"' || c == '\'') {
            size_t j = i + 1;
            while (j < n && Text[j] != c && Text[j] != '\n') j += Text[j] == '\\' ? 2 : 1;
            const std::string body = Unescape(Text.substr(i + 1, std::min(j, n) - i - 1));
            // Adjacent literals are one string; a character literal is only
            // kept as punctuation so that it cannot pass for an argument.
            if (c == '\'')
                tokens.push_back({tkPunct, "'", line});
            else if (!tokens.empty() && tokens.back().Kind == tkString)
                tokens.back().Text += body;
            else
                tokens.push_back({tkString, body, line});
            i = j + 1;
        } else if (IsWordChar(c)) {
            size_t j = i;
            while (j < n && (IsWordChar(Text[j]) || (std::isdigit(static_cast<unsigned char>(c)) && Text[j] == '.')))
                ++j;
            tokens.push_back({std::isdigit(static_cast<unsigned char>(c)) ? tkNumber : tkWord, Text.substr(i, j - i),
                              line});
            i = j;
        } else {
            // "::" and "->" stay two tokens; nothing here needs them whole.
            tokens.push_back({tkPunct, std::string(1, c), line});
            ++i;
        }
    }
    return tokens;
}

std::vector<TKeyCollector::TCall> TKeyCollector::Calls(const std::vector<TToken>& Tokens) {
    std::vector<TCall> calls;
    for (size_t i = 0; i + 1 < Tokens.size(); ++i) {
        if (Tokens[i].Kind != tkWord || Tokens[i + 1].Text != "(") continue;
        TCall call{i, {}};
        int depth = 0;
        size_t start = i + 2;
        size_t j = i + 1;
        for (; j < Tokens.size(); ++j) {
            const std::string& t = Tokens[j].Text;
            if (Tokens[j].Kind != tkPunct) continue;
            if (t == "(" || t == "[" || t == "{") {
                ++depth;
            } else if (t == ")" || t == "]" || t == "}") {
                if (--depth == 0) break;
            } else if (t == "," && depth == 1) {
                call.Args.emplace_back(start, j);
                start = j + 1;
            }
        }
        if (j == Tokens.size()) continue;
        if (j > start) call.Args.emplace_back(start, j);
        calls.push_back(std::move(call));
    }
    return calls;
}

std::map<AnsiString, size_t> TKeyCollector::AllLookups() const {
    // Global ones (the language unit's, and forwarders defined in headers)
    // under their name, a source file's own under "file|name".
    std::map<AnsiString, size_t> found{{"LangText", 0}, {"LangFormat", 0}, {"GetText", 0}};
    auto known = [&found](const AnsiString& Source, const AnsiString& Name) {
        auto it = found.find(Source + "|" + Name);
        return it != found.end() ? it : found.find(Name);
    };
    // A definition "Name(params) ... { body }" whose body hands one of its
    // parameters to a lookup as the key makes Name a lookup as well; repeat
    // until no new one turns up.
    for (bool grown = true; grown;) {
        grown = false;
        for (const TSource& source : FSources) {
            const std::vector<TToken>& t = source.Tokens;
            const bool header = source.Name.size() > 2 && source.Name.compare(source.Name.size() - 2, 2, ".h") == 0;
            for (const TCall& definition : Calls(t)) {
                if (definition.Args.empty() || IsStatement(t[definition.NameToken].Text)) continue;
                const size_t close = definition.Args.back().second;
                size_t body = close + 1;
                while (body < t.size() && t[body].Kind == tkWord) ++body;  // const, override
                if (body >= t.size() || t[body].Text != "{") continue;
                std::vector<std::string> params;
                for (const auto& [from, to] : definition.Args) {
                    std::string name;
                    for (size_t k = from; k < to && t[k].Text != "="; ++k)
                        if (t[k].Kind == tkWord) name = t[k].Text;
                    params.push_back(name);
                }
                int depth = 0;
                size_t end = body;
                for (; end < t.size(); ++end) {
                    if (t[end].Text == "{") ++depth;
                    if (t[end].Text == "}" && --depth == 0) break;
                }
                const AnsiString name = (header ? AnsiString() : source.Name + "|") + t[definition.NameToken].Text;
                if (found.count(name)) continue;
                for (const TCall& inner : Calls(std::vector<TToken>(t.begin() + body, t.begin() + end))) {
                    auto lookup = known(source.Name, t[body + inner.NameToken].Text);
                    if (lookup == found.end() || lookup->second >= inner.Args.size()) continue;
                    const auto [from, to] = inner.Args[lookup->second];
                    if (to != from + 1 || t[body + from].Kind != tkWord) continue;
                    for (size_t p = 0; p < params.size(); ++p)
                        if (params[p] == t[body + from].Text && !found.count(name)) {
                            found[name] = p;
                            grown = true;
                        }
                }
            }
        }
    }
    return found;
}

std::map<AnsiString, size_t> TKeyCollector::Lookups(const AnsiString& File) const {
    return LookupsOf(AllLookups(), File);
}

std::map<AnsiString, size_t> TKeyCollector::LookupsOf(const std::map<AnsiString, size_t>& All, const AnsiString& File) {
    std::map<AnsiString, size_t> lookups;
    const AnsiString own = File + "|";
    for (const auto& [name, index] : All) {
        if (name.find('|') == AnsiString::npos)
            lookups.emplace(name, index);
        else if (name.compare(0, own.size(), own) == 0)
            lookups[name.substr(own.size())] = index;
    }
    return lookups;
}

std::vector<TKeyUse> TKeyCollector::Uses() const {
    const std::map<AnsiString, size_t> all = AllLookups();
    std::vector<TKeyUse> uses;
    for (const TSource& source : FSources) {
        const std::map<AnsiString, size_t> lookups = LookupsOf(all, source.Name);
        const std::vector<TToken>& t = source.Tokens;
        auto where = [&](size_t Token) { return source.Name + ":" + std::to_string(t[Token].Line); };
        bool throughVariables = false;
        for (const TCall& call : Calls(t)) {
            auto lookup = lookups.find(t[call.NameToken].Text);
            if (lookup == lookups.end() || lookup->second >= call.Args.size()) continue;
            const size_t k = lookup->second;
            const auto [from, to] = call.Args[k];
            if (to != from + 1 || t[from].Kind != tkString) {
                throughVariables = true;
                continue;
            }
            AnsiString defaultText;
            if (k + 1 < call.Args.size()) {
                const auto [dFrom, dTo] = call.Args[k + 1];
                if (dTo == dFrom + 1 && t[dFrom].Kind == tkString) defaultText = Utf8ToAnsi(t[dFrom].Text);
            }
            uses.push_back({t[from].Text, defaultText, where(from)});
        }
        if (!throughVariables) continue;
        // Rows {[numbers,] "Key", "Default"}: nothing else between the braces.
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i].Text != "{") continue;
            size_t j = i + 1;
            while (j + 1 < t.size() && t[j].Kind == tkNumber && t[j + 1].Text == ",") j += 2;
            if (j + 4 < t.size() && t[j].Kind == tkString && t[j + 1].Text == "," && t[j + 2].Kind == tkString &&
                t[j + 3].Text == "}" && IsKey(t[j].Text))
                uses.push_back({t[j].Text, Utf8ToAnsi(t[j + 2].Text), where(j)});
        }
    }
    return uses;
}
