#include "components/VmDBCtrl.h"

#include <algorithm>
#include <array>
#include <vector>

#include "components/AppUtils.h"
#include "components/DBUtils.h"
#include "components/StrUtils.h"
#include "components/VCLUtils.h"
#include "core/Msgdlg.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/EdgeDraw.h"

// ---------------------------------------------------------------------------
// Glyphs

namespace {

// Field glyphs are 14 x 10 on olive, sort markers 8 x 5 on magenta: the
// colours the drawing leaves out.
std::unique_ptr<TBitmap> NewGlyph(Integer w, Integer h, TColor back) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    bmp->Canvas()->Brush()->SetColor(back);
    bmp->Canvas()->FillRect(Rect(0, 0, w, h));
    return bmp;
}

void Frame(TCanvas* c, const TRect& r, TColor color) {
    c->Brush()->SetColor(color);
    c->FrameRect(r);
}

void HLine(TCanvas* c, Integer x1, Integer x2, Integer y, TColor color) {
    for (Integer x = x1; x < x2; ++x) c->SetPixel(x, y, color);
}

std::unique_ptr<TBitmap> MakeGlyph(TVmGridGlyph glyph) {
    if (glyph == ggSortDown || glyph == ggSortUp) {
        auto bmp = NewGlyph(8, 5, clFuchsia);
        for (Integer i = 0; i < 4; ++i) {
            const Integer y = glyph == ggSortDown ? i : 4 - i;
            HLine(bmp->Canvas(), i, 8 - i, y, clGray);
        }
        bmp->Canvas()->SetPixel(3, glyph == ggSortDown ? 4 : 0, clGray);
        bmp->Canvas()->SetPixel(4, glyph == ggSortDown ? 4 : 0, clGray);
        return bmp;
    }
    auto bmp = NewGlyph(14, 10, clOlive);
    TCanvas* c = bmp->Canvas();
    const TRect box = Rect(1, 0, 13, 10);
    switch (glyph) {
    case ggBlob:
        Frame(c, box, clBlack);
        for (Integer x = 3; x < 11; x += 2) HLine(c, x, x + 1, 4, clBlack);
        for (Integer x = 4; x < 11; x += 2) HLine(c, x, x + 1, 6, clBlack);
        break;
    case ggMemo:
        Frame(c, box, clBlack);
        c->Brush()->SetColor(clWhite);
        c->FillRect(Rect(2, 1, 12, 9));
        for (Integer y = 2; y < 9; y += 2) HLine(c, 3, y == 8 ? 8 : 11, y, clBlack);
        break;
    case ggPicture:
        Frame(c, box, clBlack);
        for (Integer i = 0; i < 4; ++i) HLine(c, 6 - i, 7 + i, 5 + i, clGreen);
        c->SetPixel(10, 2, clYellow);
        break;
    case ggOle:
        Frame(c, box, clBlack);
        for (Integer i = 0; i < 8; ++i) c->SetPixel(3 + i, 1 + i, clNavy);
        break;
    case ggObject:
    case ggData:
        Frame(c, box, clBlack);
        HLine(c, 1, 13, 5, clBlack);
        for (Integer y = 0; y < 10; ++y) c->SetPixel(7, y, clBlack);
        break;
    case ggNotEmpty:
        c->Brush()->SetColor(clBlack);
        c->FillRect(Rect(5, 3, 9, 7));
        break;
    default: break;
    }
    return bmp;
}

}  // namespace

TBitmap* VmGridGlyph(TVmGridGlyph Glyph) {
    static std::array<std::unique_ptr<TBitmap>, 9> glyphs;
    auto& slot = glyphs[std::size_t(Glyph)];
    if (!slot) slot = MakeGlyph(Glyph);
    return slot.get();
}

// ---------------------------------------------------------------------------
// Construction and properties

TVmDBGrid::TVmDBGrid(TComponent* AOwner) : TDBGrid(AOwner) { Init(); }

TVmDBGrid::TVmDBGrid(TComponent* AOwner, TCollectionItemFactory ColumnClass)
    : TDBGrid(AOwner, std::move(ColumnClass)) {
    Init();
}

void TVmDBGrid::Init() {
    FIniLink = std::make_unique<TIniLink>();
    FIniLink->OnSave = [this](TObject*) { SaveLayout(); };
    FIniLink->OnLoad = [this](TObject*) { RestoreLayout(); };
    TDBGrid::SetOptions(TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                                       dgConfirmDelete, dgCancelOnExit});
}

TVmDBGrid::~TVmDBGrid() { FIniLink->SetIniObject(nullptr); }

void TVmDBGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TDBGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && FIniLink && AComponent == FIniLink->IniObject()) FIniLink->SetIniObject(nullptr);
}

void TVmDBGrid::SetIniStorage(TFormPlacement* Value) {
    if (Value == IniStorage()) return;
    if (IniStorage()) IniStorage()->RemoveFreeNotification(this);
    FIniLink->SetIniObject(Value);
    if (Value) Value->FreeNotification(this);
}

void TVmDBGrid::SetOptions(TDBGridOptions Value) {
    FMultiSelect = Value.Contains(dgMultiSelect);
    TDBGrid::SetOptions(Value);
}

void TVmDBGrid::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect) return;
    FMultiSelect = Value;
    TDBGridOptions options = Options();
    if (Value)
        options.Include(dgMultiSelect);
    else
        options.Exclude(dgMultiSelect);
    FAnchorSet = false;
    TDBGrid::SetOptions(options);
}

void TVmDBGrid::SetFixedCols(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (DataLink()->Active() && Columns()->Count() > 0) Value = std::min<Integer>(Value, Columns()->Count() - 1);
    if (Value == FFixedColsValue) return;
    FFixedColsValue = Value;
    LayoutChanged();
}

Integer TVmDBGrid::FixedDataCols() const {
    return std::clamp<Integer>(FFixedColsValue, 0, std::max<Integer>(Columns()->Count() - 1, 0));
}

void TVmDBGrid::SetShowGlyphs(bool Value) {
    if (Value == FShowGlyphs) return;
    FShowGlyphs = Value;
    Invalidate();
}

void TVmDBGrid::SetTitleButtons(bool Value) {
    if (Value == FTitleButtons) return;
    FTitleButtons = Value;
    Invalidate();
}

void TVmDBGrid::SetRowsHeight(Integer Value) {
    if (Value == FRowsHeightOverride) return;
    FRowsHeightOverride = std::max<Integer>(Value, 0);
    LayoutChanged();
}

int TVmDBGrid::FieldGlyph(TField* Field) const {
    if (!FShowGlyphs || !Field) return -1;
    // A field that shows and takes its own text is edited as text.
    if (!ReadOnly() && Field->CanModify() && Field->OnGetText && Field->OnSetText) return -1;
    switch (Field->DataType()) {
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftTypedBinary: return ggBlob;
    case ftMemo:
    case ftFmtMemo: return ggMemo;
    case ftGraphic: return ggPicture;
    case ftParadoxOle:
    case ftDBaseOle: return ggOle;
    case ftCursor:
    case ftReference:
    case ftDataSet: return ggData;
    default: return -1;
    }
}

// ---------------------------------------------------------------------------
// Layout in the settings file

AnsiString TVmDBGrid::LayoutSection() const { return FIniLink->SectionPrefix() + DefaultSectionName(this); }

void TVmDBGrid::SaveLayout() {
    TIniFile* ini = FIniLink->SettingsObject();
    if (Name().empty() || !ini) return;
    if (Columns()->State() == csDefault) {
        TDataSet* dataSet = DataLink()->DataSet();
        const AnsiString prefix = FIniLink->SectionPrefix();
        if (dataSet) SaveFieldLayout(dataSet, ini, prefix.empty() ? AnsiString() : prefix + DataSetLayoutSection(dataSet));
        return;
    }
    const AnsiString section = LayoutSection();
    SettingsEraseSection(ini, section);
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumn* column = Columns()->Items(i);
        SettingsWriteString(ini, section, Name() + "." + column->FieldName(),
                            Format("%d,%d", column->Index(), column->Width()));
    }
}

void TVmDBGrid::RestoreLayout() {
    TIniFile* ini = FIniLink->SettingsObject();
    if (Name().empty() || !ini) return;
    if (Columns()->State() == csDefault) {
        TDataSet* dataSet = DataLink()->DataSet();
        const AnsiString prefix = FIniLink->SectionPrefix();
        if (dataSet)
            LoadFieldLayout(dataSet, ini, prefix.empty() ? AnsiString() : prefix + DataSetLayoutSection(dataSet), false);
        return;
    }
    const AnsiString section = LayoutSection();
    const TCharSet delimiters{' ', ','};
    BeginLayout();
    auto end = ScopeExit([this] { EndLayout(); });
    std::vector<std::pair<TColumn*, Integer>> targets;
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumn* column = Columns()->Items(i);
        const AnsiString value = SettingsReadString(ini, section, Name() + "." + column->FieldName(), "");
        Integer target = column->Index();
        if (!value.empty()) {
            target = StrToIntDef(NthWord(1, value, delimiters), target);
            column->SetWidth(StoredLayoutWidth(NthWord(2, value, delimiters), column->Width(), kMaxStoredColumnWidth));
        }
        targets.emplace_back(column, target);
    }
    ApplyTargetIndices(targets, [](TColumn* column, Integer p) { column->SetIndex(p); });
}

// ---------------------------------------------------------------------------
// Drawing

void TVmDBGrid::DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    if (ARow >= TitleOffset() && ACol >= IndicatorOffset())
        DrawDataCellFull(ACol, ARow, ARect, AState);
    else
        TDBGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TVmDBGrid::DrawDataCellFull(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas* canvas = Canvas();
    TColumn* column = ColumnAt(ACol);
    canvas->Brush()->SetStyle(bsSolid);
    if (!column || !DataLink()->Active() || DataLink()->RecordCount() == 0) {
        canvas->Brush()->SetColor(ColorToRGB(column ? column->Color() : Color()));
        if (DefaultDrawing()) canvas->FillRect(ARect);
        return;
    }
    const Integer dataRow = ARow - TitleOffset();
    const Integer oldActive = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(dataRow);
    auto restore = ScopeExit([this, oldActive] { DataLink()->SetActiveRecord(oldActive); });
    TField* field = column->Field();
    const bool current = ARow == Row() && (ACol == Col() || Options().Contains(dgRowSelect));
    TGridDrawState state = AState;
    if (current) state.Include(gdSelected);
    const bool highlight =
        HighlightCell(RawToDataColumn(ACol), dataRow, field ? field->DisplayText() : AnsiString(), state);
    TFont font;
    font.Assign(column->Font());
    TColor background = column->Color();
    if (highlight) {
        font.SetColor(clHighlightText);
        background = clHighlight;
    }
    if (OnGetCellParams) {
        TGetCellParamsEvent handler = OnGetCellParams;
        handler(this, field, &font, background, highlight);
    } else if (OnGetCellProps) {
        TGetCellPropsEvent handler = OnGetCellProps;
        if (highlight) {
            // The older event cannot change the highlighted look's colours.
            TColor scratch = background;
            const TColor fontColor = font.Color();
            handler(this, field, &font, scratch);
            font.SetColor(fontColor);
        } else {
            handler(this, field, &font, background);
        }
    }
    canvas->Font()->Assign(&font);
    canvas->Brush()->SetColor(ColorToRGB(background));
    if (DefaultDrawing()) {
        const int glyph = FieldGlyph(field);
        if (glyph >= 0) {
            canvas->FillRect(ARect);
            TBitmap* bmp = VmGridGlyph(TVmGridGlyph(glyph));
            DrawBitmapMasked(canvas, ARect.Left + (ARect.Width() - bmp->Width()) / 2,
                             ARect.Top + (ARect.Height() - bmp->Height()) / 2, bmp, clOlive);
        } else {
            DefaultDrawColumnCell(ARect, RawToDataColumn(ACol), column, state);
        }
    }
    DrawColumnCell(ARect, RawToDataColumn(ACol), column, state);
    if (DefaultDrawing() && highlight && current && IsActiveControl() && !Options().Contains(dgRowSelect) &&
        !EditorMode())
        DrawFocusRect(canvas, ARect);
}

void TVmDBGrid::DrawTitleCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) {
    TColumn* column = ColumnAt(ACol);
    if ((!FTitleButtons && FixedDataCols() == 0) || !column) {
        TDBGrid::DrawTitleCell(ACol, ARow, ARect, AState);
        return;
    }
    TCanvas* canvas = Canvas();
    const bool down = FPressed && ACol == FPressedCol;
    TRect r = ARect;
    TFont font;
    font.Assign(column->Title()->Font());
    TColor background = column->Title()->Color();
    TSortMarker marker = smNone;
    TField* field = column->Field();
    if (FTitleButtons && field && OnGetBtnParams) {
        TGetBtnParamsEvent handler = OnGetBtnParams;
        handler(this, field, &font, background, marker, down);
    }
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(ColorToRGB(background));
    canvas->FillRect(r);
    if (FTitleButtons || (Options().Contains(dgColLines) && Options().Contains(dgRowLines))) {
        const Cardinal edge = down ? BDR_SUNKENINNER : BDR_RAISEDINNER;
        DrawEdge(canvas, r, edge, BF_BOTTOMRIGHT);
        DrawEdge(canvas, r, edge, BF_TOPLEFT);
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
    canvas->Font()->Assign(&font);
    TBitmap* markerBmp = marker == smDown ? VmGridGlyph(ggSortDown) : marker == smUp ? VmGridGlyph(ggSortUp) : nullptr;
    TRect textRect = r;
    if (down) textRect = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    const Integer room = markerBmp ? r.Width() - (markerBmp->Width() + 6) : r.Width() - 1;
    const AnsiString caption = FitTextWithEllipsis(column->Title()->Caption(), canvas, room);
    textRect = IntersectRect(textRect, r);
    DrawGridCellText(this, ACol, ARow, caption, textRect, column->Title()->Alignment(), vaCenter);
    if (markerBmp) {
        const Integer x = r.Right - markerBmp->Width() - 2 - (down ? 0 : 1);
        const Integer y = r.Top + (r.Height() - markerBmp->Height()) / 2;
        if (x > r.Left) DrawBitmapMasked(canvas, x, y, markerBmp, clFuchsia);
    }
}

// ---------------------------------------------------------------------------
// Editing

bool TVmDBGrid::CanEditShow() const {
    TColumn* column = ColumnAt(Col());
    TField* field = column ? column->Field() : nullptr;
    if (FieldGlyph(field) >= 0) return false;
    bool allow = TDBGrid::CanEditShow();
    if (allow && OnShowEditor) {
        TDBEditShowEvent handler = OnShowEditor;
        handler(const_cast<TVmDBGrid*>(this), field, allow);
    }
    return allow;
}

void TVmDBGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    std::weak_ptr<void> alive = AliveToken();
    TDBGrid::SetEditText(ACol, ARow, Value);
    if (!alive.expired()) FireEvent(OnEditChange, this);
}

// ---------------------------------------------------------------------------
// Keyboard

void TVmDBGrid::DeleteRecords() {
    TDataSet* dataSet = DataLink()->DataSet();
    if (ReadOnly() || !dataSet->CanModify() || DataSetHasNoRecords(dataSet)) return;
    const bool many = SelectedRows()->Count() > 1;
    if (Options().Contains(dgConfirmDelete)) {
        const AnsiString question = many ? "Delete all selected records?" : "Delete record?";
        if (LocalMessageDlg(question, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes) return;
    }
    if (many)
        SelectedRows()->Delete();
    else
        dataSet->Delete();
}

// Shift+Up/Down with MultiSelect: the first move selects the row it starts
// from and remembers it; moving away from it selects the row arrived at,
// moving back toward it deselects the row left behind.
bool TVmDBGrid::ExtendSelection(Word Key) {
    TDataSet* dataSet = DataLink()->DataSet();
    const int step = Key == VK_UP ? -1 : 1;
    if (!FAnchorSet) {
        FAnchorRecNo = dataSet->RecNo();
        FAnchorSet = true;
        SelectedRows()->SetCurrentRowSelected(true);
    }
    const int offset = dataSet->RecNo() - FAnchorRecNo;
    if (offset != 0 && (offset > 0) != (step > 0)) {
        SelectedRows()->SetCurrentRowSelected(false);
        DataLink()->MoveBy(step);
    } else if (DataLink()->MoveBy(step) != 0) {
        SelectedRows()->SetCurrentRowSelected(true);
    }
    return true;
}

void TVmDBGrid::DataKeyDown(Word& Key, TShiftState Shift) {
    if (!DataLink()->Active()) {
        TDBGrid::DataKeyDown(Key, Shift);
        return;
    }
    TDataSet* dataSet = DataLink()->DataSet();
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool rowSelect = Options().Contains(dgRowSelect);
    const Integer firstFree = TCustomGrid::FixedCols();
    const bool hasFixed = FixedDataCols() > 0;
    auto clearSelection = [this] {
        if (FClearSelection) SelectedRows()->Clear();
        FAnchorSet = false;
    };
    if (ctrl) {
        switch (Key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_UP:
        case VK_DOWN: clearSelection(); break;
        case VK_LEFT:
            if (hasFixed && !rowSelect) {
                SetCol(firstFree);
                Key = 0;
                return;
            }
            break;
        case VK_DELETE:
            DeleteRecords();
            Key = 0;
            return;
        default: break;
        }
        TDBGrid::DataKeyDown(Key, Shift);
        return;
    }
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
        if (dataSet->State() == dsBrowse && Shift.Contains(ssShift) && FMultiSelect) {
            ExtendSelection(Key);
            Key = 0;
            return;
        }
        if (FMultiSelect) clearSelection();
        break;
    case VK_HOME:
        if (hasFixed && firstFree > IndicatorOffset() && !rowSelect) {
            SetCol(firstFree);
            Key = 0;
            return;
        }
        if (rowSelect || Columns()->Count() == 1) clearSelection();
        break;
    case VK_END:
        if (rowSelect || Columns()->Count() == 1) clearSelection();
        break;
    case VK_LEFT:
        if (!rowSelect && Col() <= firstFree) {
            Key = 0;
            return;
        }
        if (rowSelect) clearSelection();
        break;
    case VK_RIGHT:
        if (rowSelect) clearSelection();
        break;
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT: clearSelection(); break;
    case VK_INSERT:
        if (!ReadOnly() && dataSet->CanModify() && Options().Contains(dgEditing)) clearSelection();
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt)) {
            const bool wraps = Shift.Contains(ssShift) ? Col() <= firstFree : Col() >= ColCount() - 1;
            if (wraps) clearSelection();
        }
        break;
    default: break;
    }
    TDBGrid::DataKeyDown(Key, Shift);
}

// ---------------------------------------------------------------------------
// Mouse

bool TVmDBGrid::TitleCellAt(Integer X, Integer Y, Integer& ACol) const {
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y < 0 || cell.Y >= TitleOffset() || cell.X < IndicatorOffset()) return false;
    ACol = cell.X;
    return true;
}

void TVmDBGrid::StopTracking() {
    if (!FTracking && !FPressed) return;
    FTracking = false;
    FPressed = false;
    FPressedCol = -1;
    Invalidate();
}

void TVmDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    if (!AcquireFocus()) return;
    const TGridCoord cell = MouseCoord(X, Y);
    Integer titleCol = -1, edge = -1;
    const bool onTitle = TitleCellAt(X, Y, titleCol) && !ColumnEdgeAt(X, Y, edge);
    if (Button == mbLeft && !Shift.Contains(ssDouble) && FTitleButtons && onTitle && DataLink()->Active()) {
        TColumn* column = ColumnAt(titleCol);
        bool enabled = true;
        if (OnCheckButton) {
            TCheckTitleBtnEvent handler = OnCheckButton;
            handler(this, RawToDataColumn(titleCol), column ? column->Field() : nullptr, enabled);
            if (alive.expired()) return;
        }
        if (!enabled) {
            SystemBeep();
            return;
        }
        FTracking = true;
        FPressed = true;
        FPressedCol = titleCol;
        Invalidate();
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (Button == mbRight && onTitle && Options().Contains(dgColumnResize)) {
        FSwapButtons = true;
        TDBGrid::MouseDown(mbLeft, Shift - TShiftState{ssRight} + TShiftState{ssLeft}, X, Y);
        return;
    }
    if (Button == mbLeft && cell.Y >= TitleOffset() && cell.X >= IndicatorOffset() &&
        cell.X < TCustomGrid::FixedCols()) {
        // A fixed data column moves to the record like the indicator does.
        MoveToDataRow(cell.Y - TitleOffset());
        if (!alive.expired()) TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    const bool dataRow = cell.Y >= TitleOffset() && cell.X >= 0;
    TDBGrid::MouseDown(Button, Shift, X, Y);
    if (alive.expired() || !FMultiSelect || Button != mbLeft || !dataRow || Shift.Contains(ssDouble)) return;
    if (!DataLink()->Active() || DataSetHasNoRecords(DataLink()->DataSet())) return;
    FAnchorSet = false;
    if (Shift.Contains(ssCtrl)) {
        SelectedRows()->SetCurrentRowSelected(!SelectedRows()->CurrentRowSelected());
    } else {
        SelectedRows()->Clear();
        if (FClearSelection) SelectedRows()->SetCurrentRowSelected(true);
    }
}

void TVmDBGrid::MouseMove(TShiftState Shift, int X, int Y) {
    if (FTracking) {
        Integer titleCol = -1;
        const bool inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
        const bool over = inside && TitleCellAt(X, Y, titleCol) && titleCol == FPressedCol;
        if (over != FPressed) {
            FPressed = over;
            Invalidate();
        }
        TCustomControl::MouseMove(Shift, X, Y);
        return;
    }
    TDBGrid::MouseMove(Shift, X, Y);
}

void TVmDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    if (FTracking && Button == mbLeft) {
        const Integer pressedCol = FPressedCol;
        StopTracking();
        Integer titleCol = -1;
        const bool inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
        if (inside && TitleCellAt(X, Y, titleCol) && titleCol == pressedCol) {
            TColumn* column = ColumnAt(titleCol);
            TitleBtnClick(RawToDataColumn(titleCol), column ? column->Field() : nullptr);
            if (alive.expired()) return;
        }
        TCustomControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    if (Button == mbRight && (FSwapButtons || FGridState == gsColMoving || FGridState == gsRowMoving)) {
        FSwapButtons = false;
        TDBGrid::MouseUp(mbLeft, Shift, X, Y);
        return;
    }
    TDBGrid::MouseUp(Button, Shift, X, Y);
}

void TVmDBGrid::TitleBtnClick(Integer ACol, TField* Field) { FireEvent(OnTitleBtnClick, this, ACol, Field); }

void TVmDBGrid::TopLeftChanged() {
    StopTracking();
    TDBGrid::TopLeftChanged();
    FireEvent(OnTopLeftChanged, this);
}

void TVmDBGrid::WndProc(TMessage& Message) {
    if (Message.Msg == WM_CANCELMODE) StopTracking();
    TDBGrid::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TVmDBGrid, TDBGrid) {
    Prop("Options", &TVmDBGrid::Options, &TVmDBGrid::SetOptions);
    Prop("FixedCols", &TVmDBGrid::FixedCols, &TVmDBGrid::SetFixedCols);
    Prop("ClearSelection", &TVmDBGrid::ClearSelection, &TVmDBGrid::SetClearSelection);
    Prop("IniStorage", &TVmDBGrid::IniStorage, &TVmDBGrid::SetIniStorage);
    Prop("MultiSelect", &TVmDBGrid::MultiSelect, &TVmDBGrid::SetMultiSelect);
    Prop("ShowGlyphs", &TVmDBGrid::ShowGlyphs, &TVmDBGrid::SetShowGlyphs);
    Prop("TitleButtons", &TVmDBGrid::TitleButtons, &TVmDBGrid::SetTitleButtons);
    Prop("RowsHeight", &TVmDBGrid::RowsHeight, &TVmDBGrid::SetRowsHeight);
    EventProp("OnCheckButton", &TVmDBGrid::OnCheckButton);
    EventProp("OnTitleBtnClick", &TVmDBGrid::OnTitleBtnClick);
    EventProp("OnGetBtnParams", &TVmDBGrid::OnGetBtnParams);
    EventProp("OnGetCellParams", &TVmDBGrid::OnGetCellParams);
    EventProp("OnGetCellProps", &TVmDBGrid::OnGetCellProps);
    EventProp("OnShowEditor", &TVmDBGrid::OnShowEditor);
    EventProp("OnEditChange", &TVmDBGrid::OnEditChange);
    EventProp("OnTopLeftChanged", &TVmDBGrid::OnTopLeftChanged);
}
VEMLOR_REGISTER_CLASS(TVmDBGrid);
