#include "updater/AdvHttpUrl.h"

#include "platform/rtl/SysUtils.h"

namespace {

AnsiString Escape(const AnsiString& S, bool SpacesOnly) {
    static const char hex[] = "0123456789ABCDEF";
    AnsiString out;
    for (const char ch : S) {
        const auto c = static_cast<unsigned char>(ch);
        const bool raw = SpacesOnly ? c != ' '
                                    : c > ' ' && c < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\' &&
                                          c != '^' && c != '`' && c != '{' && c != '|' && c != '}';
        if (raw) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

TUrlCrack CrackUrl(const AnsiString& Url, TUrlParts& Parts) {
    const std::size_t schemeEnd = Url.find("://");
    if (schemeEnd == AnsiString::npos || schemeEnd == 0) return ucMalformed;
    const AnsiString scheme = LowerCase(Url.substr(0, schemeEnd));
    for (const char c : scheme)
        if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return ucMalformed;
    TUrlParts p;
    if (scheme == "https")
        p.Secure = true;
    else if (scheme != "http")
        return ucBadScheme;
    p.Port = p.Secure ? 443 : 80;

    const std::size_t start = schemeEnd + 3;
    const std::size_t authorityEnd = std::min(Url.find_first_of("/?#", start), Url.size());
    AnsiString authority = Url.substr(start, authorityEnd - start);
    const std::size_t at = authority.rfind('@');
    if (at != AnsiString::npos) {
        const AnsiString userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        const std::size_t colon = userInfo.find(':');
        p.HasUser = true;
        p.User = userInfo.substr(0, colon);
        if (colon != AnsiString::npos) p.Password = userInfo.substr(colon + 1);
    }
    std::size_t portStart = AnsiString::npos;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == AnsiString::npos) return ucMalformed;
        p.Host = authority.substr(0, close + 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return ucMalformed;
            portStart = close + 2;
        }
    } else {
        const std::size_t colon = authority.find(':');
        p.Host = authority.substr(0, colon);
        if (colon != AnsiString::npos) portStart = colon + 1;
    }
    if (portStart != AnsiString::npos) {
        const AnsiString port = authority.substr(portStart);
        Integer value = 0;
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != AnsiString::npos ||
            !TryStrToInt(port, value) || value < 1 || value > 65535)
            return ucMalformed;
        p.Port = value;
    }
    if (p.Host.empty()) return ucMalformed;

    const std::size_t extraStart = std::min(Url.find_first_of("?#", authorityEnd), Url.size());
    p.Path = Url.substr(authorityEnd, extraStart - authorityEnd);
    p.Extra = Url.substr(extraStart);
    if (p.Host.size() > kMaxHost || p.User.size() > kMaxUser || p.Password.size() > kMaxPassword ||
        p.Path.size() > kMaxPath || p.Extra.size() > kMaxExtra)
        return ucMalformed;
    Parts = p;
    return ucOk;
}

bool CombineUrl(bool Secure, const AnsiString& Host, Integer Port, const AnsiString& Relative, AnsiString& Url) {
    if (Host.empty()) return false;
    AnsiString url = (Secure ? "https://" : "http://") + Host;
    if (Port != 80) url += ":" + IntToStr(Port);
    if (Relative.empty() || Relative[0] != '/') url += '/';
    url += Escape(Relative, true);
    if (url.size() > 2054) return false;
    Url = url;
    return true;
}

AnsiString RequestUrl(bool Secure, const AnsiString& Host, Integer Port, const AnsiString& Path,
                      const AnsiString& Extra) {
    AnsiString url = (Secure ? "https://" : "http://") + Host + ":" + IntToStr(Port);
    if (Path.empty() || Path[0] != '/') url += '/';
    return url + Escape(Path, false) + Escape(Extra, false);
}
