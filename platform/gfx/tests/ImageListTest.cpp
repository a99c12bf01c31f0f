#include "platform/gfx/ImageList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace {

using Rows = std::vector<std::string>;

// '#' black, 'o' red, 'g' lime, '.' white, 'f' fuchsia, 'b' blue, 's' gray
// (the button shadow), '?' anything else.
TColor ColorOf(char c) {
    switch (c) {
    case '#': return clBlack;
    case 'o': return clRed;
    case 'g': return clLime;
    case 'f': return clFuchsia;
    case 'b': return clBlue;
    case 's': return clGray;
    default: return clWhite;
    }
}

char CharOf(TColor p) {
    for (char c : std::string("#ogfbs."))
        if (p == ColorOf(c)) return c;
    return '?';
}

std::unique_ptr<TBitmap> Make(const Rows& rows) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(static_cast<Integer>(rows[0].size()), static_cast<Integer>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            bmp->SetPixel(Integer(x), Integer(y), ColorOf(rows[y][x]));
    return bmp;
}

Rows Read(const TBitmap& bmp) {
    Rows rows;
    for (Integer y = 0; y < bmp.Height(); ++y) {
        std::string row;
        for (Integer x = 0; x < bmp.Width(); ++x) row += CharOf(bmp.GetPixel(x, y));
        rows.push_back(row);
    }
    return rows;
}

// A board filled with one colour to draw images on.
std::unique_ptr<TBitmap> Board(Integer w, Integer h, char fill) {
    return Make(Rows(static_cast<std::size_t>(h), std::string(static_cast<std::size_t>(w), fill)));
}

Rows Image(const TImageList& list, Integer index) {
    TBitmap bmp;
    EXPECT_TRUE(list.GetBitmap(index, &bmp));
    return Read(bmp);
}

}  // namespace

TEST(TImageListTest, DefaultsAndPublishedProperties) {
    TImageList list(nullptr);
    EXPECT_EQ(list.Width(), 16);
    EXPECT_EQ(list.Height(), 16);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Masked());
    EXPECT_EQ(list.BkColor(), clNone);
    EXPECT_EQ(list.DrawingStyle(), dsNormal);

    SetPropValue(&list, "Width", "3");
    SetPropValue(&list, "Masked", "False");
    SetPropValue(&list, "DrawingStyle", "dsTransparent");
    EXPECT_EQ(list.Width(), 3);
    EXPECT_FALSE(list.Masked());
    EXPECT_EQ(list.DrawingStyle(), dsTransparent);
    EXPECT_EQ(GetPropValue(&list, "Height"), "16");
    EXPECT_EQ(GetPropValue(&list, "BkColor"), std::to_string(clNone));
    EXPECT_TRUE(IsPublishedProp(&list, "BlendColor"));
    EXPECT_TRUE(IsPublishedProp(&list, "OnChange"));
    EXPECT_THROW(SetPropValue(&list, "Height", "0"), EInvalidOperation);
    EXPECT_EQ(list.Height(), 16);
}

TEST(TImageListTest, AddCutsAStripIntoImagesAndIgnoresLeftovers) {
    TImageList list(nullptr, 3, 2);
    auto strip = Make({"#o.g..g",   //
                       "o#.gg.g",   //
                       "#######"});  // below Height: cut off
    EXPECT_EQ(list.Add(strip.get(), nullptr), 0);
    EXPECT_EQ(list.Count(), 2);  // the seventh column is left over
    EXPECT_EQ(Image(list, 0), (Rows{"#o.", "o#."}));
    EXPECT_EQ(Image(list, 1), (Rows{"g..", "gg."}));
    EXPECT_EQ(list.Add(strip.get(), nullptr), 2);
    EXPECT_EQ(list.Count(), 4);

    auto narrow = Make({"##"});
    EXPECT_EQ(list.Add(narrow.get(), nullptr), -1);
    EXPECT_EQ(list.Add(nullptr, nullptr), -1);
    EXPECT_EQ(list.Count(), 4);
}

TEST(TImageListTest, DrawLeavesTheBackgroundUnderTransparentPixels) {
    TImageList list(nullptr, 3, 3);
    auto strip = Make({"f#ff.f",  //
                       "#o#.f.",  //
                       "f#ff.f"});
    EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
    auto board = Board(5, 4, 'b');
    list.Draw(board->Canvas(), 1, 0, 0);
    list.Draw(board->Canvas(), 3, 1, 1);  // partly off the board: clipped
    EXPECT_EQ(Read(*board), (Rows{"bb#bb",  //
                                  "b#o#.",  //
                                  "bb#.b",  //
                                  "bbbb."}));

    // clDefault takes the bitmap's bottom-left pixel; rows a short bitmap
    // lacks are transparent too.
    TImageList keyed(nullptr, 2, 3);
    auto shortStrip = Make({"#g", "og"});
    keyed.AddMasked(shortStrip.get(), clDefault);
    board = Board(2, 3, 'b');
    keyed.Draw(board->Canvas(), 0, 0, 0);
    EXPECT_EQ(Read(*board), (Rows{"#g", "bg", "bb"}));
}

TEST(TImageListTest, AMaskBitmapHidesItsWhitePixels) {
    TImageList list(nullptr, 2, 2);
    auto strip = Make({"#oog", "o#go"});
    auto mask = Make({".#.", "#.."});  // narrower: the fourth column shows
    list.Add(strip.get(), mask.get());
    auto board = Board(4, 2, 'b');
    list.Draw(board->Canvas(), 0, 0, 0);
    list.Draw(board->Canvas(), 2, 0, 1);
    EXPECT_EQ(Read(*board), (Rows{"bobg", "obbo"}));
}

TEST(TImageListTest, MaskedOffBkColorAndDrawingStyleDecideWhatTransparentPixelsShow) {
    TImageList list(nullptr, 2, 1);
    auto strip = Make({"f#"});
    list.AddMasked(strip.get(), clFuchsia);
    auto board = Board(2, 1, 'b');

    list.SetMasked(false);
    list.Draw(board->Canvas(), 0, 0, 0);
    EXPECT_EQ(Read(*board), Rows{"f#"});

    list.SetMasked(true);  // the mask was kept
    list.SetBkColor(clLime);
    list.Draw(board->Canvas(), 0, 0, 0);
    EXPECT_EQ(Read(*board), Rows{"g#"});

    board = Board(2, 1, 'b');
    list.SetDrawingStyle(dsTransparent);
    list.Draw(board->Canvas(), 0, 0, 0);
    EXPECT_EQ(Read(*board), Rows{"b#"});

    // Selected blends half way toward BlendColor; the background stays.
    auto white = Make({"f."});
    list.Replace(0, white.get(), Make({".#"}).get());
    list.SetBkColor(clNone);
    list.SetDrawingStyle(dsSelected);
    list.SetBlendColor(clBlack);
    list.Draw(board->Canvas(), 0, 0, 0);
    EXPECT_EQ(board->GetPixel(0, 0), clBlue);
    EXPECT_EQ(board->GetPixel(1, 0), RGB(127, 127, 127));
}

TEST(TImageListTest, DisabledImagesAreDrawnEmbossed) {
    TImageList list(nullptr, 3, 3);
    // White pixels and transparent ones leave no ink.
    auto strip = Make({"f.f",  //
                       "#o.",  //
                       "ffg"});
    list.AddMasked(strip.get(), clFuchsia);
    auto board = Board(5, 5, 'b');
    list.Draw(board->Canvas(), 1, 1, 0, false);
    // Shadow (gray) in place over the highlight (white) one pixel down-right.
    EXPECT_EQ(Read(*board), (Rows{"bbbbb",  //
                                  "bbbbb",  //
                                  "bssbb",  //
                                  "bb.sb",  //
                                  "bbbb."}));
}

TEST(TImageListTest, InsertReplaceDeleteAndClearKeepTheOrder) {
    TImageList list(nullptr, 1, 1);
    auto abc = Make({"#og"});
    list.Add(abc.get(), nullptr);
    auto two = Make({"fb"});
    list.Insert(1, two.get(), nullptr);
    auto order = [&] {
        std::string s;
        for (Integer i = 0; i < list.Count(); ++i) s += Image(list, i)[0];
        return s;
    };
    EXPECT_EQ(order(), "#fbog");
    list.InsertMasked(5, Make({"s"}).get(), clNone);
    EXPECT_EQ(order(), "#fbogs");
    list.ReplaceMasked(0, Make({"..."}).get(), clNone);  // only the first image counts
    list.Delete(2);
    EXPECT_EQ(order(), ".fogs");

    EXPECT_THROW(list.Insert(6, two.get(), nullptr), EInvalidOperation);
    EXPECT_THROW(list.Delete(5), EInvalidOperation);
    EXPECT_THROW(list.Delete(-1), EInvalidOperation);
    EXPECT_THROW(list.Replace(-1, two.get(), nullptr), EInvalidOperation);
    TImageList wide(nullptr, 3, 1);
    wide.Add(Make({"###"}).get(), nullptr);
    EXPECT_THROW(wide.Replace(0, two.get(), nullptr), EInvalidOperation);
    EXPECT_EQ(order(), ".fogs");

    TBitmap out;
    EXPECT_FALSE(list.GetBitmap(5, &out));
    EXPECT_EQ(out.Width(), 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    auto board = Board(1, 1, 'b');
    list.Draw(board->Canvas(), 0, 0, 0);  // no image: nothing drawn
    EXPECT_EQ(Read(*board), Rows{"b"});
}

TEST(TImageListTest, ChangesReachOnChangeAndRegisteredLinks) {
    TImageList list(nullptr, 2, 2);
    int changes = 0, linked = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    auto link = std::make_unique<TChangeLink>();
    link->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++linked;
    };
    list.RegisterChanges(link.get());
    EXPECT_EQ(link->Sender(), &list);

    auto strip = Make({"####", "####"});
    list.Add(strip.get(), nullptr);  // two images, one change
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(linked, 1);
    list.SetWidth(2);  // unchanged: no event
    list.SetBkColor(clNone);
    EXPECT_EQ(changes, 1);
    list.SetWidth(4);  // a new size empties the list
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(list.SetWidth(TImageList::MaxImageSize + 1), EInvalidOperation);
    EXPECT_EQ(list.Width(), 4);

    link.reset();  // a freed link leaves the list
    list.Add(Make({"####", "####"}).get(), nullptr);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(linked, 2);

    TChangeLink outlives;
    {
        TImageList gone(nullptr);
        gone.RegisterChanges(&outlives);
    }
    EXPECT_EQ(outlives.Sender(), nullptr);
}
