#pragma once
// Splitting and building the addresses of the HTTP component. Parts keep
// their escapes as written; what may not travel raw (blanks, control and
// 8-bit bytes) is escaped only when a request is built.

#include "platform/rtl/System.h"

struct TUrlParts {
    bool Secure = false;   // https
    AnsiString Host;
    Integer Port = 80;     // the scheme's own port when the address names none
    bool HasUser = false;  // the address carries credentials
    AnsiString User, Password;
    AnsiString Path;       // from the first "/" (empty when none)
    AnsiString Extra;      // from the first "?" or "#"
};

enum TUrlCrack { ucOk, ucBadScheme, ucMalformed };

// Limits of the parts, in characters.
constexpr std::size_t kMaxHost = 255, kMaxUser = 127, kMaxPassword = 127, kMaxPath = 2047, kMaxExtra = 2047;

TUrlCrack CrackUrl(const AnsiString& Url, TUrlParts& Parts);

// "http://" or "https://", the host, ":" and the port unless it is 80, then
// Relative (a leading "/" supplied when missing) with blanks escaped. False
// for an empty host or a result beyond 2054 characters.
bool CombineUrl(bool Secure, const AnsiString& Host, Integer Port, const AnsiString& Relative, AnsiString& Url);

// The address a request goes to: every part, with what may not travel raw escaped.
AnsiString RequestUrl(bool Secure, const AnsiString& Host, Integer Port, const AnsiString& Path,
                      const AnsiString& Extra);
