#include "core/Msgdlg.h"

#include <algorithm>
#include <array>

#include "core/Language.h"

namespace {

// Spacing in dialog units.
constexpr Integer HorzMarginDU = 8;
constexpr Integer VertMarginDU = 6;
constexpr Integer HorzSpacingDU = 8;
constexpr Integer VertSpacingDU = 8;
constexpr Integer ButtonWidthDU = 50;
constexpr Integer ButtonHeightDU = 14;
constexpr Integer ButtonSpacingDU = 4;
constexpr Integer IconSize = 32;

constexpr int ButtonKinds = mbHelp + 1;
constexpr int DialogTypes = mtCustom + 1;

struct TCaptionDefault {
    const char* Key;
    const char* Default;
};

// Help has no text in the language files; it keeps the platform's caption.
constexpr std::array<TCaptionDefault, ButtonKinds> ButtonCaptionDefaults{{
    {"DlgYes", "&Ano"},
    {"DlgNo", "&Ne"},
    {"DlgOK", "&OK"},
    {"DlgCancel", "&Storno"},
    {"DlgExit", "&Konec"},
    {"DlgRetry", "Znov&u"},
    {"DlgIgnore", "&Ignorovat"},
    {"DlgAll", "&Vše"},
    {nullptr, "&Help"},
}};

constexpr std::array<TCaptionDefault, DialogTypes> TitleDefaults{{
    {"DlgWarning", "Varování"},
    {"DlgError", "Chyba"},
    {"DlgInfo", "Informace"},
    {"DlgConfirm", "Potvrzení"},
    {nullptr, ""},
}};

constexpr std::array<Integer, ButtonKinds> ButtonResults{6, 7, 1, 2, 3, 4, 5, 8, 0};

std::array<AnsiString, ButtonKinds>& ButtonCaptions() {
    static std::array<AnsiString, ButtonKinds> captions = [] {
        std::array<AnsiString, ButtonKinds> result;
        for (int i = 0; i < ButtonKinds; ++i) result[i] = ButtonCaptionDefaults[i].Default;
        return result;
    }();
    return captions;
}

std::array<AnsiString, DialogTypes>& Titles() {
    static std::array<AnsiString, DialogTypes> titles = [] {
        std::array<AnsiString, DialogTypes> result;
        for (int i = 0; i < DialogTypes; ++i) result[i] = TitleDefaults[i].Default;
        return result;
    }();
    return titles;
}

// Rounds value * numerator / denominator to the nearest integer, halves away
// from zero, as the dialog-unit conversion always has.
Integer MulDiv(Integer value, Integer numerator, Integer denominator) {
    if (denominator == 0) return -1;
    long long n = static_cast<long long>(value) * numerator;
    long long d = denominator;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return static_cast<Integer>(n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d));
}

}  // namespace

Integer MsgDlgButtonResult(TMsgDlgBtn button) {
    return ButtonResults[button];
}

void LoadDialogCaptions() {
    for (int i = 0; i < ButtonKinds; ++i)
        if (ButtonCaptionDefaults[i].Key)
            ButtonCaptions()[i] = LangText(ButtonCaptionDefaults[i].Key, ButtonCaptionDefaults[i].Default);
    for (int i = 0; i < DialogTypes; ++i)
        if (TitleDefaults[i].Key) Titles()[i] = LangText(TitleDefaults[i].Key, TitleDefaults[i].Default);
}

AnsiString DialogButtonCaption(TMsgDlgBtn button) {
    return ButtonCaptions()[button];
}

AnsiString DialogTitle(TMsgDlgType type) {
    return Titles()[type];
}

TMsgDlgLayout LayoutMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                  const TMsgDlgMetrics& metrics) {
    const Integer w = metrics.CharWidth;
    const Integer h = metrics.CharHeight;
    const Integer horzMargin = MulDiv(HorzMarginDU, w, 4);
    const Integer vertMargin = MulDiv(VertMarginDU, h, 8);
    const Integer horzSpacing = MulDiv(HorzSpacingDU, w, 4);
    const Integer vertSpacing = MulDiv(VertSpacingDU, h, 8);
    const Integer buttonWidth = MulDiv(ButtonWidthDU, w, 4);
    const Integer buttonHeight = MulDiv(ButtonHeightDU, h, 8);
    const Integer buttonSpacing = MulDiv(ButtonSpacingDU, w, 4);

    TPoint textSize = metrics.MeasureText ? metrics.MeasureText(text, metrics.ScreenWidth / 2) : TPoint{};
    TMsgDlgLayout layout;
    Integer textLeft = horzMargin;
    Integer textHeight = textSize.y;
    if (type == mtCustom) {
        layout.ClientWidth = textSize.x + 3 * horzMargin;
    } else {
        layout.ClientWidth = textSize.x + horzSpacing + 2 * horzMargin + IconSize;
        textHeight = std::max(textHeight, IconSize);
        layout.HasIcon = true;
        layout.IconBounds = Bounds(horzMargin, vertMargin, IconSize, IconSize);
        textLeft = horzMargin + horzSpacing + IconSize;
    }
    layout.ClientHeight = textHeight + buttonHeight + vertSpacing + 2 * vertMargin;
    layout.TextBounds = Bounds(textLeft, vertMargin, textSize.x, textSize.y);

    Integer count = 0;
    for (int b = 0; b < ButtonKinds; ++b)
        if (buttons.Contains(static_cast<TMsgDlgBtn>(b))) ++count;
    Integer groupWidth = count > 0 ? count * buttonWidth + (count - 1) * buttonSpacing : 0;
    if (groupWidth > layout.ClientWidth - 2 * horzMargin) layout.ClientWidth = groupWidth + 2 * horzMargin;

    Integer x = (layout.ClientWidth - groupWidth) / 2;
    const Integer buttonTop = vertMargin + textHeight + vertSpacing;
    for (int b = 0; b < ButtonKinds; ++b) {
        if (!buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
        layout.Buttons.push_back({static_cast<TMsgDlgBtn>(b), Bounds(x, buttonTop, buttonWidth, buttonHeight)});
        x += buttonWidth + buttonSpacing;
    }
    return layout;
}
