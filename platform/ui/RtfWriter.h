#pragma once
// Writes formatted text as RTF that the reader beside it (and other
// programs) read back: a font table and a colour table of what the runs use,
// one \pard group of paragraph attributes per paragraph and the character
// attributes as they change. Characters above 127 are written as \uN with
// their Windows-1250 byte as the fallback, so they read back the same
// whatever the font's character set says. Links have no RTF form here and
// are not written.

#include "platform/ui/RichText.h"

// Runs should carry every attribute (the mask says which are written).
AnsiString WriteRtf(const TRichText& Text);
