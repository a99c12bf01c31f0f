#pragma once
// VmRichEd: the rich-text editor component. TVmCustomRichEdit holds the
// behaviour, TVmRichEdit publishes it. The component stands on the platform's
// rich-edit control (second generation, RichEditLevel 2) and adds what the
// class library's rich editors add: the line list over the window's lines,
// the attribute objects for the default text, the selection, the word at the
// caret and the paragraphs, loading and saving through converters, the
// content kept across a re-created window, the notifications as events,
// printing the whole text and the find events.
//
// Embedded objects do not exist on this platform: the object count is 0, the
// selection is never "exactly one object", paste and drop take plain text and
// RTF only, so the object verbs, the object-properties dialog and the
// in-place activation have nothing to act on.

#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Set.h"
#include "platform/gfx/GraphicsObjects.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/RichEdit.h"

class TVmCustomRichEdit;

// The generation of the rich-edit window the component stands on.
constexpr int RichEditLevel = 2;

enum TRichStreamFormat { sfDefault, sfRichText, sfPlainText };
const TEnumType& EnumTypeInfo(TRichStreamFormat);
enum TRichStreamMode { smSelection, smPlainRtf, smNoObjects, smUnicode };
using TRichStreamModes = TSet<TRichStreamMode>;
const TEnumType& EnumTypeInfo(TRichStreamMode);
enum TRichLangOption { rlAutoKeyboard, rlAutoFont, rlImeCancelComplete, rlImeAlwaysSendNotify };
using TRichLangOptions = TSet<TRichLangOption>;
const TEnumType& EnumTypeInfo(TRichLangOption);
enum TRichSelectionKind { stText, stObject, stMultiChar, stMultiObject };
using TRichSelectionKinds = TSet<TRichSelectionKind>;

// Paragraph alignment has a fourth value beside TAlignment's three.
constexpr TAlignment taJustify = static_cast<TAlignment>(3);

using TRichEditURLClickEvent = std::function<void(TObject* Sender, const AnsiString& URLText, TMouseButton Button)>;
using TRichEditProtectChange = std::function<void(TObject* Sender, Integer StartPos, Integer EndPos, bool& AllowChange)>;
using TRichEditProtectChangeEx =
    std::function<void(TObject* Sender, const TMessage& Message, Integer StartPos, Integer EndPos, bool& AllowChange)>;
using TRichEditResizeEvent = std::function<void(TObject* Sender, const TRect& Rect)>;
using TRichEditSaveClipboard =
    std::function<void(TObject* Sender, Integer NumObjects, Integer NumChars, bool& SaveClipboard)>;
using TRichEditFindErrorEvent = std::function<void(TObject* Sender, const AnsiString& FindText)>;
using TRichEditFindCloseEvent = std::function<void(TObject* Sender, TCommonDialog* Dialog)>;

// Moves the bytes of a load or save between the stream and the control; this
// one passes them unchanged. A converter for another file format overrides
// both.
class TConversion : public TObject {
public:
    ~TConversion() override = default;
    virtual LongInt ConvertReadStream(TStream* Stream, char* Buffer, LongInt BufSize);
    virtual LongInt ConvertWriteStream(TStream* Stream, const char* Buffer, LongInt BufSize);
};
using TConversionClass = std::unique_ptr<TConversion> (*)();

struct TRichConversionFormat {
    AnsiString Extension;  // lower case, without the dot
    bool PlainText;
    TConversionClass ConversionClass;
};
// "txt" (plain text) then "rtf" (rich text), both with TConversion.
const std::vector<TRichConversionFormat>& RichConversionFormats();

// The character attributes of the default text, the selection or the word
// at the caret. Without the control's window reads give an empty record
// (no name, size 0, black) and writes do nothing.
enum TVmAttributeType { atSelected, atDefaultText, atWord };

class TVmTextAttributes : public TPersistent {
public:
    TVmTextAttributes(TVmCustomRichEdit* AOwner, TVmAttributeType AType);

    TFontCharset Charset() const;
    void SetCharset(TFontCharset Value);
    // The automatic colour reads as clWindowText; clWindowText and clDefault
    // set it.
    TColor Color() const;
    void SetColor(TColor Value);
    AnsiString Name() const;
    void SetName(const AnsiString& Value);
    TFontPitch Pitch() const;
    // Applied together with the current face, which is where a pitch counts.
    void SetPitch(TFontPitch Value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles Value);
    // Points.
    Integer Size() const;
    void SetSize(Integer Value);
    bool Protected() const;
    void SetProtected(bool Value);

    // From a font (everything a font says, the weight included) or from
    // other attributes (their whole record); anything else raises.
    void Assign(TPersistent* Source) override;

    TCharFormat Attributes() const;
    void SetAttributes(const TCharFormat& Format);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // To a font: colour, name, character set, style, size and pitch.
    void AssignTo(TPersistent* Dest) override;

private:
    Cardinal Scope() const;
    TVmCustomRichEdit* FRichEdit;
    TVmAttributeType FType;
};

// The paragraph attributes of the selection's paragraphs. Lengths are
// points; writing creates the control's window when needed.
class TVmParaAttributes : public TPersistent {
public:
    explicit TVmParaAttributes(TVmCustomRichEdit* AOwner);

    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    // 0 none, 1 a bullet, higher values numbers and letters. Switching
    // numbering on makes room for it (an offset of at least 10 points);
    // switching it off takes the offset back to 0.
    Integer NumberingStyle() const;
    void SetNumberingStyle(Integer Value);
    Integer StartIndent() const;
    void SetStartIndent(Integer Value);
    Integer OffsetIndent() const;
    void SetOffsetIndent(Integer Value);
    Integer EndIndent() const;
    void SetEndIndent(Integer Value);
    Integer TabCount() const;
    // Index 0..31 (ERangeError otherwise); setting one counts every tab up
    // to it.
    Integer TabPosition(Integer Index) const;
    void SetTabPosition(Integer Index, Integer Value);

    void Assign(TPersistent* Source) override;

    TParaFormat Attributes() const;
    void SetAttributes(const TParaFormat& Format);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    TVmCustomRichEdit* FRichEdit;
};

// The control's lines, read from and written to its window. A line is a
// paragraph; an empty last line is not a line.
class TRichEditStrings : public TStrings {
public:
    explicit TRichEditStrings(TVmCustomRichEdit* AOwner);
    ~TRichEditStrings() override;

    int Count() const override;
    AnsiString Strings(int Index) const override;
    void SetStrings(int Index, const AnsiString& S) override;
    void Insert(int Index, const AnsiString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void AddStrings(const TStrings* Strings) override;
    void SetText(const AnsiString& Text) override;

    // The format comes from StreamFormat (sfDefault: as PlainText says);
    // data the control refuses in that format is tried in the other once.
    // Raise EOutOfResources "Failed to Load Stream" / "Failed to Save Stream".
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) const override;
    // A known extension (see RichConversionFormats) decides the format for
    // the operation. Saving replaces the file only once all was written.
    void LoadFromFile(const AnsiString& FileName) override;
    void SaveToFile(const AnsiString& FileName) const override;

    TRichStreamFormat Format() const { return FFormat; }
    void SetFormat(TRichStreamFormat Value) { FFormat = Value; }
    TRichStreamModes Mode() const { return FMode; }
    void SetMode(TRichStreamModes Value) { FMode = Value; }
    TConversion* Converter() const { return FConverter.get(); }

protected:
    void SetUpdateState(bool Updating) override;

private:
    friend class TVmCustomRichEdit;
    void ReplaceLineRange(Integer Start, Integer End, const AnsiString& S) const;
    void SetChangeNotification(bool On) const;
    Integer Stream(TStream* Stream, bool Load, TRichStreamFormat Format, TRichStreamModes Mode, TConversion* Converter) const;
    // The whole text as plain or rich text, whatever the list's own format
    // and mode say.
    void StreamWhole(TStream* Stream, bool Load, bool Plain) const;

    TVmCustomRichEdit* FRichEdit;
    TRichStreamFormat FFormat = sfDefault;
    TRichStreamModes FMode;
    mutable std::unique_ptr<TConversion> FConverter;
};

class TVmCustomRichEdit : public TCustomRichMemo {
public:
    explicit TVmCustomRichEdit(TComponent* AOwner);
    ~TVmCustomRichEdit() override;

    // Empties the text and clears the modification flag.
    void Clear() override;

    void SetSelStart(Integer Value) override;
    void SetSelLength(Integer Value) override;
    // Replaces the selection and selects exactly what was inserted;
    // undoable while UndoLimit > 1.
    void SetSelText(const AnsiString& Value) override;
    void SelectRange(Integer StartPos, Integer EndPos, bool Scroll);
    // Copies the selected text into the buffer, at most BufSize - 1
    // characters and a NUL; returns the characters copied.
    Integer GetSelTextBuf(char* Buffer, Integer BufSize);
    // The text of a range, clamped to the text.
    AnsiString TextInRange(Integer StartPos, Integer EndPos);
    // x: the caret's column, y: its line.
    TPoint CaretPos();
    void RedoEdit() { Redo(); }
    // 0: 16,777,215 characters.
    void SetMaxLength(Integer Value) override;
    TRichSelectionKinds SelectedContentKinds();
    Integer ObjectCount() const { return 0; }

    TVmTextAttributes* SelectedTextAttributes() const { return FSelAttributes.get(); }
    void SetSelectedTextAttributes(TVmTextAttributes* Value) { FSelAttributes->Assign(Value); }
    TVmTextAttributes* DefaultTextAttributes() const { return FDefAttributes.get(); }
    void SetDefaultTextAttributes(TVmTextAttributes* Value) { FDefAttributes->Assign(Value); }
    TVmTextAttributes* CurrentWordAttributes() const { return FWordAttributes.get(); }
    TVmParaAttributes* ParagraphAttributes() const { return FParagraph.get(); }
    void SetParagraphAttributes(TVmParaAttributes* Value) { FParagraph->Assign(Value); }

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value);
    TRichStreamFormat StreamFormat() const { return FLines->Format(); }
    void SetStreamFormat(TRichStreamFormat Value) { FLines->SetFormat(Value); }
    TRichStreamModes StreamMode() const { return FLines->Mode(); }
    void SetStreamMode(TRichStreamModes Value) { FLines->SetMode(Value); }

    bool AutoURLDetect() const;
    void SetAutoURLDetect(bool Value);
    bool WordSelection() const;
    void SetWordSelection(bool Value);
    TRichLangOptions LangOptions() const;
    void SetLangOptions(TRichLangOptions Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool HideScrollBars() const { return FHideScrollBars; }
    void SetHideScrollBars(bool Value);
    bool SelectionBar() const { return FSelectionBar; }
    void SetSelectionBar(bool Value);
    bool AllowObjects() const { return FAllowObjects; }
    void SetAllowObjects(bool Value);
    bool AllowInPlace() const { return FAllowInPlace; }
    void SetAllowInPlace(bool Value) { FAllowInPlace = Value; }
    bool AutoVerbMenu() const { return FAutoVerbMenu; }
    void SetAutoVerbMenu(bool Value) { FAutoVerbMenu = Value; }
    Integer UndoLimit() const { return FUndoLimit; }
    void SetUndoLimit(Integer Value);
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { ApplyPlainText(Value); }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    // Printer pixels; empty: the whole page.
    TRect PrintPageRect() const { return FPrintPageRect; }
    void SetPrintPageRect(const TRect& Value) { FPrintPageRect = Value; }

    // Prints the whole text as one document named Caption on Printer(),
    // page after page. A page that takes no text stops printing with
    // EPrinter rather than starting pages without end.
    virtual void PrintContents(const AnsiString& Caption);

    TNotifyEvent OnSelectionChange;
    TRichEditProtectChange OnProtectChange;
    TRichEditProtectChangeEx OnProtectChangeEx;
    TRichEditResizeEvent OnResizeRequest;
    TRichEditSaveClipboard OnSaveClipboard;
    TRichEditURLClickEvent OnURLClick;
    TRichEditFindErrorEvent OnTextNotFound;
    TRichEditFindCloseEvent OnCloseFindDialog;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TRichEditStrings;

    virtual void DoTextNotFound(const AnsiString& FindText);
    virtual void DoResizeRequest(const TRect& Rect);
    virtual void ApplyPlainText(bool Value);
    virtual void DoCloseFindDialog(TCommonDialog* Dialog);
    virtual void DoSelectionChange();
    virtual bool DoProtectChange(const TMessage& Message, Integer StartPos, Integer EndPos);
    virtual bool DoSaveClipboard(Integer NumObjects, Integer NumChars);
    virtual void DoURLClick(const AnsiString& URLText, TMouseButton Button);

    void CreateParams(TRichCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notify(TRichNotify& Message) override;
    void FontChanged() override;

private:
    void ApplyMaxLength();
    void ApplyTextMode();

    std::unique_ptr<TVmTextAttributes> FSelAttributes;
    std::unique_ptr<TVmTextAttributes> FDefAttributes;
    std::unique_ptr<TVmTextAttributes> FWordAttributes;
    std::unique_ptr<TVmParaAttributes> FParagraph;
    std::unique_ptr<TRichEditStrings> FLines;
    Integer FScreenLogPixels = 96;
    TConversionClass FDefaultConverter;
    bool FAutoURLDetect = true;
    bool FWordSelection = true;
    TRichLangOptions FLangOptions{rlAutoFont};
    Integer FUndoLimit = 100;
    bool FHideSelection = true;
    bool FHideScrollBars = true;
    bool FSelectionBar = true;
    bool FPlainText = false;
    bool FAllowObjects = true;
    bool FAllowInPlace = true;
    bool FAutoVerbMenu = true;
    AnsiString FTitle;
    std::unique_ptr<TMemoryStream> FSavedContent;
    bool FSavedModified = false;
    bool FLinesUpdating = false;
    bool FDestroying = false;
    TRect FPrintPageRect;
    TCharRange FLinkRange{-1, -1};
    TMouseButton FLinkButton = mbLeft;
};

class TVmRichEdit : public TVmCustomRichEdit {
public:
    using TVmCustomRichEdit::TVmCustomRichEdit;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};
