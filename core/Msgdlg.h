#pragma once
// The modal message dialog and the input box through which both programs ask
// and inform. Captions and titles come from the language table (Language.h)
// each time a dialog is built; the layout is the classic message-dialog one,
// in dialog units of the dialog font (horizontal units are a quarter of the
// average character width, vertical ones an eighth of the character height).

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Set.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/rtl/System.h"

class TCanvas;
class TForm;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The modal result each button gives (the Help button gives none, 0).
Integer MsgDlgButtonResult(TMsgDlgBtn button);

// Fills the button captions and type titles from the language table; every
// dialog calls it before it is built.
void LoadDialogCaptions();
// The captions loaded last ("&Ano", "Varování", ...).
AnsiString DialogButtonCaption(TMsgDlgBtn button);
// The custom type has no title of its own; it takes the application's.
AnsiString DialogTitle(TMsgDlgType type);

// Shows the dialog centred on the screen and returns its modal result.
Integer LocalMessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                        Integer helpContext);
// The same, placed at (left, top); a negative left or top centres it.
Integer CreateLocalMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                 Integer left, Integer top, Integer helpContext);
// The dialog those two show, built but not shown: components "Image" (no
// image for the custom type), "Message" and one button per member of buttons,
// named "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "Help".
std::unique_ptr<TForm> BuildLocalMessageDialog(const AnsiString& text, TMsgDlgType type,
                                               TMsgDlgButtons buttons, Integer left, Integer top,
                                               Integer helpContext);

// The dialog's 32 x 32 symbol of a type (none for the custom type), drawn at
// (0, 0) over what the canvas holds; windows of their own that ask like the
// dialog show the same symbol.
void DrawDialogIcon(TCanvas& canvas, TMsgDlgType type);

// The edited text after OK, else the default.
AnsiString LocalInputBox(const AnsiString& caption, const AnsiString& prompt, const AnsiString& defaultValue);
// After OK the value holds the edited text and the result is true; otherwise
// the value is left as it was.
bool LocalInputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value);
// The input box, built but not shown: components "Prompt", "Edit", "OK", "Cancel".
std::unique_ptr<TForm> BuildLocalInputDialog(const AnsiString& caption, const AnsiString& prompt,
                                             const AnsiString& value);

// --- Geometry ----------------------------------------------------------------------
// The dialog's geometry as pure arithmetic, so that it can be checked without
// a window or a font.

struct TMsgDlgMetrics {
    Integer CharWidth = 0;    // average width of the 52 letters A-Z a-z
    Integer CharHeight = 0;   // character height
    Integer ScreenWidth = 0;
    // Size of the text word-wrapped into maxWidth with tabs expanded.
    std::function<TPoint(const AnsiString& text, Integer maxWidth)> MeasureText;
};

struct TMsgDlgButtonPlace {
    TMsgDlgBtn Button = mbOK;
    TRect Bounds;
};

struct TMsgDlgLayout {
    Integer ClientWidth = 0;
    Integer ClientHeight = 0;
    bool HasIcon = false;
    TRect IconBounds;                          // 32 x 32 when HasIcon
    TRect TextBounds;                          // the measured text size
    std::vector<TMsgDlgButtonPlace> Buttons;   // in button order
};

TMsgDlgLayout LayoutMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                  const TMsgDlgMetrics& metrics);
