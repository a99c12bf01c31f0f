// Form files over the real controls: values that travel by name (colours,
// cursors, shortcuts), controls nested in menus, action lists and pages,
// pictures as binary data, and a written form that reads back the same.

#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Tabs.h"
#include "platform/ui/TestSupport.h"

namespace {

const char* const Window =
    "object fOkno: TForm\n"
    "  Caption = 'Okno'\n"
    "  ClientWidth = 300\n"
    "  ClientHeight = 200\n"
    "  Color = clInfoBk\n"
    "  object Popup1: TPopupMenu\n"
    "    object pSmazat: TMenuItem\n"
    "      Caption = 'Smazat'\n"
    "      ShortCut = 'Ctrl+Del'\n"
    "    end\n"
    "  end\n"
    "  object Akce: TActionList\n"
    "    object AOdeslat: TAction\n"
    "      Caption = 'Odeslat'\n"
    "      ShortCut = 'Ctrl+Enter'\n"
    "    end\n"
    "  end\n"
    "  object Stranky: TPageControl\n"
    "    Align = alClient\n"
    "    ActivePage = Druha\n"
    "    object Prvni: TTabSheet\n"
    "      Caption = 'První'\n"
    "      object Tlacitko: TButton\n"
    "        Left = 8\n"
    "        Top = 8\n"
    "        Font.Color = clRed\n"
    "        Font.Style = [fsBold]\n"
    "        Cursor = crHandPoint\n"
    "        PopupMenu = Popup1\n"
    "        Action = AOdeslat\n"
    "      end\n"
    "    end\n"
    "    object Druha: TTabSheet\n"
    "      Caption = 'Druhá'\n"
    "    end\n"
    "  end\n"
    "end\n";

template <class T>
T* Find(TComponent* Root, const char* Name) {
    return dynamic_cast<T*>(Root->FindComponent(Name));
}

TEST(FormFileTest, NamedValuesNestedComponentsAndReferencesReachTheControls) {
    auto* form = static_cast<TForm*>(ReadComponent(Window, nullptr, "okno.form"));
    EXPECT_EQ(form->Color(), clInfoBk);
    auto* button = Find<TButton>(form, "Tlacitko");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Font()->Color(), clRed);
    EXPECT_FALSE(button->ParentFont());
    EXPECT_EQ(button->Cursor(), crHandPoint);
    EXPECT_EQ(button->PopupMenu(), Find<TPopupMenu>(form, "Popup1"));
    EXPECT_EQ(button->Caption(), "Odeslat");  // from its action
    EXPECT_EQ(button->Parent(), Find<TTabSheet>(form, "Prvni"));
    auto* pages = Find<TPageControl>(form, "Stranky");
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePage(), Find<TTabSheet>(form, "Druha"));
    auto* item = Find<TMenuItem>(form, "pSmazat");
    EXPECT_EQ(item->Parent(), Find<TPopupMenu>(form, "Popup1")->Items());
    EXPECT_EQ(item->ShortCut(), ShortCut(VK_DELETE, {ssCtrl}));
    EXPECT_EQ(Find<TAction>(form, "AOdeslat")->ActionList(), Find<TActionList>(form, "Akce"));

    AnsiString text = WriteComponent(form);
    for (const char* line : {"  Color = clInfoBk\n", "      ShortCut = 'Ctrl+Del'\n", "        Cursor = crHandPoint\n",
                             "        Font.Color = clRed\n", "        PopupMenu = Popup1\n", "    ActivePage = Druha\n",
                             "    object Prvni: TTabSheet\n", "      object Tlacitko: TButton\n"})
        EXPECT_NE(text.find(line), AnsiString::npos) << line << "\nin\n" << text;
    form->Free();

    // What the writer wrote reads back into the same form.
    auto* again = static_cast<TForm*>(ReadComponent(text, nullptr, "okno.form"));
    EXPECT_EQ(WriteComponent(again), text);
    again->Free();
    PumpUntilIdle();
}

TEST(FormFileTest, PicturesAndGlyphsTravelAsBinaryData) {
    auto* form = new TForm(nullptr);
    form->SetName("fObrazky");
    auto* image = new TImage(form);
    image->SetName("Obrazek");
    image->SetParent(form);
    TBitmap* bitmap = image->Picture()->Bitmap();
    bitmap->SetSize(3, 2);
    bitmap->Canvas()->SetPixel(2, 1, clRed);
    auto* speed = new TSpeedButton(form);
    speed->SetName("Rychle");
    speed->SetParent(form);
    speed->Glyph()->SetSize(2, 2);
    speed->Glyph()->Canvas()->SetPixel(0, 0, clBlue);

    AnsiString text = WriteComponent(form);
    EXPECT_NE(text.find("    Picture.Data = {\n      07544269746D6170"), AnsiString::npos) << text;  // 7 "TBitmap"
    EXPECT_NE(text.find("    Glyph.Data = {\n      424D"), AnsiString::npos) << text;             // "BM"
    form->Free();

    auto* again = static_cast<TForm*>(ReadComponent(text, nullptr, "obrazky.form"));
    auto* picture = Find<TImage>(again, "Obrazek")->Picture();
    ASSERT_NE(dynamic_cast<TBitmap*>(picture->Graphic()), nullptr);
    EXPECT_EQ(picture->Width(), 3);
    EXPECT_EQ(picture->Bitmap()->Canvas()->Pixel(2, 1), clRed);
    EXPECT_EQ(Find<TSpeedButton>(again, "Rychle")->Glyph()->Canvas()->Pixel(0, 0), clBlue);
    again->Free();

    TForm broken(nullptr);
    try {
        ReadComponent("object F: TForm\n  object I: TImage\n    Picture.Data = {05544E6F6E65}\n  end\nend", &broken,
                      "obrazky.form");
        FAIL() << "an unknown graphic class was read";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "obrazky.form(3): Error reading I.Picture.Data: Picture data of an unknown graphic class TNone");
    }
    PumpUntilIdle();
}

TEST(FormFileTest, ReferencesToADataModuleResolveThroughTheScreenWhenItIsRead) {
    // The main window comes first, the data module after it, as at start-up.
    auto* form = static_cast<TForm*>(ReadComponent(
        "object fHlavni: TForm\n  object Seznam: TListBox\n    PopupMenu = DM.MenuSeznamu\n  end\nend", nullptr));
    auto* list = Find<TListBox>(form, "Seznam");
    EXPECT_EQ(list->PopupMenu(), nullptr);
    auto* dm = static_cast<TDataModule*>(
        ReadComponent("object DM: TDataModule\n  object MenuSeznamu: TPopupMenu\n  end\nend", nullptr));
    EXPECT_EQ(list->PopupMenu(), Find<TPopupMenu>(dm, "MenuSeznamu"));
    EXPECT_NE(WriteComponent(form).find("    PopupMenu = DM.MenuSeznamu\n"), AnsiString::npos);
    EXPECT_EQ(PendingFixupCount(), 0);
    dm->Free();
    EXPECT_EQ(list->PopupMenu(), nullptr);
    form->Free();
    PumpUntilIdle();
}

}  // namespace
