#pragma once
// A small, strict reader of Rich Text Format: what the editor writes and what
// other programs' plain documents hold, and nothing that needs more.
//
// Accepted:
//   header      the data starts with "{\rtf" (nothing before it); text after
//               the outermost group is ignored
//   code pages  \ansicpgN (1250 and 1252; anything else reads as 1250) and
//               \fcharsetN of the current font (0 = 1252, 238 = 1250) decide
//               how \'hh and bytes above 127 read
//   tables      \fonttbl (\fN, \fcharsetN, \fprqN, the family words and the
//               name up to ";"), \colortbl (\redN\greenN\blueN per ";",
//               an empty entry is the automatic colour)
//   characters  \plain \fN \fsN \b \i \ul \ulnone \strike \protect \cfN
//               \upN \dnN, each with a 0 parameter switching it off
//   paragraphs  \par \line (both end a paragraph) \pard \ql \qr \qc \qj
//               \liN \riN \fiN \txN, numbering from {\*\pn ...}
//               (\pnlvlblt bullet, \pnlvlbody with \pndec \pnlcltr
//               \pnucltr \pnlcrm \pnucrm)
//   text        \'hh, \uN with \ucN fallback skipping, \tab, \~ \_ \-,
//               \emdash \endash \bullet \lquote \rquote \ldblquote
//               \rdblquote, \{ \} \\, \binN (skipped)
// Skipped: every other control word, {\*...} destinations other than \pn,
// and known non-text destinations (\info, \stylesheet, \pict, \pntext, ...).
//
// Refused with ERtfError, which names the byte offset: data not starting
// with "{\rtf", groups nested deeper than RtfMaxDepth, a group left open at
// the end, a control word of more than 32 letters or a parameter of more
// than 10 digits, a bad \'hh, \binN running past the end, more than
// RtfMaxTableEntries fonts or colours.

#include <cstddef>

#include "platform/rtl/Exceptions.h"
#include "platform/ui/RichText.h"

VEMLOR_DECLARE_EXCEPTION(ERtfError, EReadError);

constexpr int RtfMaxDepth = 128;
constexpr int RtfMaxTableEntries = 4096;

// Runs carry mask bits only for the attributes the data set (\plain clears
// them), so the caller can lay the text over its own default format.
TRichText ReadRtf(const char* Data, std::size_t Size);

// True when the data starts as RTF does.
bool LooksLikeRtf(const char* Data, std::size_t Size);
