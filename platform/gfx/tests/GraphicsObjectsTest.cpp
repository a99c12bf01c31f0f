#include "platform/gfx/GraphicsObjects.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/classes/TypInfo.h"

namespace {

// A stored window names its controls' font, pen and brush by path; this
// stands in for such a control.
class TFontHolder : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
    std::unique_ptr<TBrush> FBrush = std::make_unique<TBrush>();
};

}  // namespace

VEMLOR_PUBLISHED(TFontHolder, TPersistent) {
    Prop("Font", &TFontHolder::Font, &TFontHolder::SetFont);
    Prop("Pen", &TFontHolder::Pen);
    Prop("Brush", &TFontHolder::Brush);
}

namespace {

std::vector<AnsiString> Names(const TObject* obj) {
    std::vector<AnsiString> names;
    for (const TPropInfo* p : GetPropList(obj)) names.push_back(p->Name);
    return names;
}

}  // namespace

TEST(TFontTest, PublishesItsPropertiesInStoredOrder) {
    TFont f;
    EXPECT_EQ(Names(&f), (std::vector<AnsiString>{"Charset", "Color", "Height", "Name", "Pitch", "Size", "Style"}));
    EXPECT_EQ(PropType(&f, "Style"), tkSet);
    EXPECT_EQ(PropType(&f, "Pitch"), tkEnumeration);
    EXPECT_EQ(PropType(&f, "Name"), tkLString);
    EXPECT_EQ(GetPropValue(&f, "Charset"), "1");
    EXPECT_EQ(GetPropValue(&f, "Pitch"), "fpDefault");
}

TEST(TFontTest, PathsThroughAControlReachTheFontsSetters) {
    TFontHolder holder;
    int changes = 0;
    holder.Font()->OnChange = [&](TObject*) { ++changes; };

    TObject* target = &holder;
    const TPropInfo* size = ResolvePropPath(target, "Font.Size");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(target, holder.Font());
    SetPropValue(target, *size, "12");
    EXPECT_EQ(holder.Font()->Height(), -16);

    target = &holder;
    const TPropInfo* name = ResolvePropPath(target, "font.name");
    ASSERT_NE(name, nullptr);
    SetPropValue(target, *name, "Arial");
    EXPECT_EQ(holder.Font()->Name(), "Arial");

    SetPropValue(holder.Font(), "Style", "[fsBold, fsUnderline]");
    EXPECT_EQ(holder.Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(GetPropValue(holder.Font(), "Style"), "[fsBold,fsUnderline]");
    SetPropValue(holder.Font(), "Charset", "238");
    SetPropValue(holder.Font(), "Pitch", "fpFixed");
    EXPECT_EQ(holder.Font()->Charset(), 238);
    EXPECT_EQ(holder.Font()->Pitch(), fpFixed);
    EXPECT_EQ(changes, 5);

    target = &holder;
    EXPECT_EQ(ResolvePropPath(target, "Font.Weight"), nullptr);
    EXPECT_THROW(SetPropValue(holder.Font(), "Charset", "256"), ERangeError);

    TFont copy;
    copy.Assign(holder.Font());
    EXPECT_EQ(copy.Charset(), 238);
    EXPECT_EQ(copy.Pitch(), fpFixed);
}

TEST(TPenTest, PublishedPropertiesGoThroughTheSetters) {
    TFontHolder holder;
    EXPECT_EQ(Names(holder.Pen()), (std::vector<AnsiString>{"Color", "Mode", "Style", "Width"}));
    TObject* target = &holder;
    const TPropInfo* width = ResolvePropPath(target, "Pen.Width");
    ASSERT_NE(width, nullptr);
    SetOrdProp(target, *width, 0);
    EXPECT_EQ(holder.Pen()->Width(), 1);  // the setter's lower bound holds
    SetPropValue(holder.Pen(), "Mode", "pmNotXor");
    SetPropValue(holder.Pen(), "Style", "psDot");
    SetPropValue(holder.Pen(), "Color", "255");
    EXPECT_EQ(holder.Pen()->Mode(), pmNotXor);
    EXPECT_EQ(holder.Pen()->Style(), psDot);
    EXPECT_EQ(holder.Pen()->Color(), clRed);
    EXPECT_THROW(SetPropValue(holder.Pen(), "Style", "psWavy"), EConvertError);
}

TEST(TBrushTest, PublishedPropertiesGoThroughTheSetters) {
    TFontHolder holder;
    EXPECT_EQ(Names(holder.Brush()), (std::vector<AnsiString>{"Color", "Style"}));
    TObject* target = &holder;
    const TPropInfo* style = ResolvePropPath(target, "Brush.Style");
    ASSERT_NE(style, nullptr);
    SetPropValue(target, *style, "bsClear");
    EXPECT_EQ(holder.Brush()->Style(), bsClear);
    // A colour makes a clear brush solid again, set by path or in code.
    SetPropValue(holder.Brush(), "Color", "65280");
    EXPECT_EQ(holder.Brush()->Style(), bsSolid);
    EXPECT_EQ(GetPropValue(holder.Brush(), "Style"), "bsSolid");
}
