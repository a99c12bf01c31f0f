#include "core/Msgdlg.h"

#include <algorithm>
#include <array>

#include "core/Language.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

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

constexpr std::array<Integer, ButtonKinds> ButtonResults{mrYes, mrNo, mrOk, mrCancel, mrAbort,
                                                         mrRetry, mrIgnore, mrAll, mrNone};

constexpr std::array<const char*, ButtonKinds> ButtonNames{"Yes", "No", "OK", "Cancel", "Abort",
                                                           "Retry", "Ignore", "All", "Help"};

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

namespace {

// The message text is shown as given: an "&" in a file or contact name is no
// mnemonic, so it is neither measured nor drawn as one.
constexpr Cardinal MessageTextFlags = DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX;

void SetDialogFont(TForm* form) {
    form->Font()->SetName("MS Sans Serif");
    form->Font()->SetSize(8);
}

// The dialog font's average character width (the 52 letters, divided as
// whole pixels) and height.
TPoint DialogUnits(TForm* form) {
    static const AnsiString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    TPoint extent = form->Canvas()->TextExtent(letters);
    return TPoint{extent.x / 52, extent.y};
}

}  // namespace

// The dialog's 32 x 32 symbol, drawn by us: a yellow triangle with "!"
// (warning), a red disc with a cross (error), a blue disc with "i"
// (information) or with "?" (confirmation).
void DrawDialogIcon(TCanvas& canvas, TMsgDlgType type) {
    auto glyph = [&canvas](const AnsiString& text, TColor color, Integer size, Integer centreY) {
        canvas.Brush()->SetStyle(bsClear);
        canvas.Font()->SetName("Arial");
        canvas.Font()->SetSize(size);
        canvas.Font()->SetStyle(TFontStyles{fsBold});
        canvas.Font()->SetColor(color);
        TPoint extent = canvas.TextExtent(text);
        canvas.TextOut((IconSize - extent.x) / 2, centreY - extent.y / 2, text);
    };
    switch (type) {
    case mtWarning:
        canvas.Pen()->SetColor(clBlack);
        canvas.Polyline({Point(15, 1), Point(30, 29), Point(1, 29), Point(15, 1)});
        canvas.MoveTo(16, 1);
        canvas.LineTo(31, 29);
        canvas.Brush()->SetColor(clYellow);
        canvas.FloodFill(16, 20, clBlack, fsBorder);
        canvas.Brush()->SetColor(clBlack);
        canvas.FillRect(Rect(14, 10, 18, 21));
        canvas.FillRect(Rect(14, 23, 18, 27));
        break;
    case mtError:
        canvas.Pen()->SetColor(clMaroon);
        canvas.Brush()->SetColor(clRed);
        canvas.Ellipse(1, 1, 31, 31);
        canvas.Pen()->SetColor(clWhite);
        canvas.Pen()->SetWidth(3);
        canvas.MoveTo(10, 10);
        canvas.LineTo(22, 22);
        canvas.MoveTo(21, 10);
        canvas.LineTo(9, 22);
        break;
    case mtInformation:
    case mtConfirmation:
        canvas.Pen()->SetColor(clNavy);
        canvas.Brush()->SetColor(clBlue);
        canvas.Ellipse(1, 1, 31, 31);
        glyph(type == mtInformation ? "i" : "?", clWhite, 15, 16);
        break;
    case mtCustom:
        break;
    }
}

namespace {

// Shows the symbol on the dialog's own colour.
class TDialogIcon : public TGraphicControl {
public:
    TDialogIcon(TComponent* owner, TMsgDlgType type) : TGraphicControl(owner), FType(type) {}

protected:
    void Paint() override {
        TCanvas* canvas = Canvas();
        TForm* form = GetParentForm(this);
        canvas->Brush()->SetColor(form ? form->Color() : clBtnFace);
        canvas->FillRect(ClientRect());
        DrawDialogIcon(*canvas, FType);
    }

private:
    TMsgDlgType FType;
};

void AddDialogIcon(TForm* form, TMsgDlgType type, const TRect& bounds) {
    auto* image = new TDialogIcon(form, type);
    image->SetName("Image");
    image->SetParent(form);
    image->SetBoundsRect(bounds);
}

}  // namespace

std::unique_ptr<TForm> BuildLocalMessageDialog(const AnsiString& text, TMsgDlgType type,
                                               TMsgDlgButtons buttons, Integer left, Integer top,
                                               Integer helpContext) {
    LoadDialogCaptions();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetHelpContext(helpContext);
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    SetDialogFont(form.get());

    TPoint units = DialogUnits(form.get());
    TMsgDlgMetrics metrics;
    metrics.CharWidth = units.x;
    metrics.CharHeight = units.y;
    metrics.ScreenWidth = Screen->Width();
    TCanvas* canvas = form->Canvas();
    metrics.MeasureText = [canvas](const AnsiString& message, Integer maxWidth) {
        TRect bounds = Rect(0, 0, maxWidth, 0);
        DrawText(canvas, message, bounds, MessageTextFlags | DT_CALCRECT);
        return TPoint{bounds.Right, bounds.Bottom};
    };
    TMsgDlgLayout layout = LayoutMessageDialog(text, type, buttons, metrics);

    form->SetClientWidth(layout.ClientWidth);
    form->SetClientHeight(layout.ClientHeight);
    form->SetCaption(type == mtCustom ? Application->Title() : DialogTitle(type));
    if (left < 0 || top < 0) {
        form->SetLeft(Screen->Width() / 2 - form->Width() / 2);
        form->SetTop(Screen->Height() / 2 - form->Height() / 2);
    } else {
        form->SetLeft(left);
        form->SetTop(top);
    }

    if (layout.HasIcon) AddDialogIcon(form.get(), type, layout.IconBounds);

    auto* message = new TLabel(form.get());
    message->SetName("Message");
    message->SetParent(form.get());
    message->SetShowAccelChar(false);
    message->SetWordWrap(true);
    message->SetCaption(text);
    message->SetBoundsRect(layout.TextBounds);

    TMsgDlgBtn defaultButton = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
    TMsgDlgBtn cancelButton = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
    for (const TMsgDlgButtonPlace& place : layout.Buttons) {
        auto* button = new TButton(form.get());
        button->SetName(ButtonNames[place.Button]);
        button->SetParent(form.get());
        button->SetCaption(ButtonCaptions()[place.Button]);
        button->SetModalResult(ButtonResults[place.Button]);
        if (place.Button == defaultButton) button->SetDefault(true);
        if (place.Button == cancelButton) button->SetCancel(true);
        button->SetBoundsRect(place.Bounds);
    }
    return form;
}

Integer CreateLocalMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                 Integer left, Integer top, Integer helpContext) {
    std::unique_ptr<TForm> form = BuildLocalMessageDialog(text, type, buttons, left, top, helpContext);
    return form->ShowModal();
}

Integer LocalMessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                        Integer helpContext) {
    return CreateLocalMessageDialog(text, type, buttons, -1, -1, helpContext);
}

std::unique_ptr<TForm> BuildLocalInputDialog(const AnsiString& caption, const AnsiString& prompt,
                                             const AnsiString& value) {
    LoadDialogCaptions();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(caption);
    SetDialogFont(form.get());
    TPoint units = DialogUnits(form.get());
    auto horz = [&](Integer du) { return MulDiv(du, units.x, 4); };
    auto vert = [&](Integer du) { return MulDiv(du, units.y, 8); };
    form->SetClientWidth(horz(180));
    form->SetClientHeight(vert(63));
    form->SetPosition(poScreenCenter);

    auto* label = new TLabel(form.get());
    label->SetName("Prompt");
    label->SetParent(form.get());
    label->SetAutoSize(true);
    label->SetLeft(horz(8));
    label->SetTop(vert(8));
    label->SetCaption(prompt);

    auto* edit = new TEdit(form.get());
    edit->SetName("Edit");
    edit->SetParent(form.get());
    edit->SetLeft(horz(8));
    edit->SetTop(vert(19));
    edit->SetWidth(horz(164));
    // The limit is for typing: a longer value handed in is shown whole, so
    // that OK without an edit gives it back unchanged rather than cut.
    edit->SetMaxLength(std::max<Integer>(255, static_cast<Integer>(value.size())));
    edit->SetText(value);
    edit->SelectAll();
    form->SetActiveControl(edit);

    const Integer buttonTop = vert(41);
    const Integer buttonWidth = horz(ButtonWidthDU);
    const Integer buttonHeight = vert(ButtonHeightDU);
    auto* ok = new TButton(form.get());
    ok->SetName("OK");
    ok->SetParent(form.get());
    ok->SetCaption(ButtonCaptions()[mbOK]);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetBounds(horz(34), buttonTop, buttonWidth, buttonHeight);

    auto* cancel = new TButton(form.get());
    cancel->SetName("Cancel");
    cancel->SetParent(form.get());
    cancel->SetCaption(ButtonCaptions()[mbCancel]);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetBounds(ok->Left() + buttonWidth + horz(ButtonSpacingDU), buttonTop, buttonWidth, buttonHeight);
    return form;
}

bool LocalInputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value) {
    std::unique_ptr<TForm> form = BuildLocalInputDialog(caption, prompt, value);
    if (form->ShowModal() != mrOk) return false;
    auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Edit"));
    if (!edit) return false;
    value = edit->Text();
    return true;
}

AnsiString LocalInputBox(const AnsiString& caption, const AnsiString& prompt, const AnsiString& defaultValue) {
    AnsiString value = defaultValue;
    return LocalInputQuery(caption, prompt, value) ? value : defaultValue;
}
