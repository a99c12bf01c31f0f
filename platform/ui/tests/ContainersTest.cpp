#include <gtest/gtest.h>

#include "platform/classes/TypInfo.h"
#include "platform/ui/Containers.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 300);
    }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form;
};

TEST(TGroupBoxTest, AlignedChildrenStayBelowTheCaption) {
    THost host;
    auto* group = new TGroupBox(host.Form);
    group->SetParent(host.Form);
    group->SetCaption(" Vytáčení ");
    auto* inner = new TPanel(host.Form);
    inner->SetParent(group);
    inner->SetAlign(alClient);
    EXPECT_GT(inner->Top(), 10);
    EXPECT_EQ(inner->Left(), 2);
    EXPECT_EQ(inner->Top() + inner->Height(), group->Height() - 2);
}

TEST(TScrollBoxTest, ScrollingMovesTheChildrenWithinTheRange) {
    THost host;
    auto* box = new TScrollBox(host.Form);
    box->SetParent(host.Form);
    box->SetBounds(0, 0, 200, 150);
    auto* image = new TImage(host.Form);
    image->SetParent(box);
    image->SetBounds(0, 0, 500, 100);
    host.Form->Show();
    PumpUntilIdle();
    box->UpdateScrollBars();
    EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->HorzScrollBar()->Range(), 500);
    box->HorzScrollBar()->SetPosition(100);
    EXPECT_EQ(image->Left(), -100);
    box->HorzScrollBar()->SetPosition(10000);  // stops at the end
    EXPECT_EQ(image->Left() + image->Width(), box->ClientWidth());
    image->SetBounds(image->Left(), image->Top(), 100, 100);  // shrinks: back to the start
    PumpUntilIdle();
    EXPECT_EQ(box->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(image->Left(), 0);
    auto* far = new TPanel(host.Form);
    far->SetParent(box);
    far->SetBounds(10, 400, 50, 50);
    box->UpdateScrollBars();
    box->ScrollInView(far);
    EXPECT_EQ(far->Top() + far->Height(), box->ClientHeight());
}

TEST(TSplitterTest, DraggingResizesTheNeighbourWithinMinSize) {
    THost host;
    auto* left = new TPanel(host.Form);
    left->SetParent(host.Form);
    left->SetAlign(alLeft);
    left->SetWidth(100);
    auto* splitter = new TSplitter(host.Form);
    splitter->SetParent(host.Form);
    splitter->SetLeft(150);
    auto* client = new TPanel(host.Form);
    client->SetParent(host.Form);
    client->SetAlign(alClient);
    EXPECT_EQ(splitter->Left(), 100);
    EXPECT_EQ(splitter->FindControl(), left);
    host.Form->Show();
    int moved = 0;
    splitter->OnMoved = [&](TObject*) { ++moved; };
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 5));
    splitter->Perform(WM_LBUTTONUP, 0, MakeLParam(41, 5));
    EXPECT_EQ(left->Width(), 140);
    EXPECT_EQ(splitter->Left(), 140);
    EXPECT_EQ(moved, 1);
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 5));
    splitter->Perform(WM_LBUTTONUP, 0, MakeLParam(-500, 5));
    EXPECT_EQ(left->Width(), 30);  // MinSize
    splitter->OnCanResize = [](TObject*, Integer& size, bool&) { size = 77; };
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 5));
    splitter->Perform(WM_LBUTTONUP, 0, MakeLParam(20, 5));
    EXPECT_EQ(left->Width(), 77);
}

TEST(TShapeTest, PaintsPenAndBrushToThePixel) {
    THost host;
    auto* shape = new TShape(host.Form);
    shape->SetParent(host.Form);
    shape->SetBounds(0, 0, 20, 10);
    shape->Brush()->SetColor(clRed);
    shape->Pen()->SetColor(clBlue);
    SetPropValue(shape, "Shape", "stSquare");
    host.Form->Show();
    ASSERT_TRUE(SaveControlToPng(shape, VEMLOR_TEST_OUTPUT "/shape.png"));  // paints it
    TCanvas* c = shape->Canvas();
    EXPECT_EQ(c->Pixel(5, 0), clBlue);   // the square's top edge (x 5..14)
    EXPECT_EQ(c->Pixel(10, 5), clRed);   // inside
    EXPECT_NE(c->Pixel(2, 5), clRed);    // left of the square
}

TEST(TBevelTest, PublishesShapeAndStyle) {
    THost host;
    auto* bevel = new TBevel(host.Form);
    SetPropValue(bevel, "Shape", "bsTopLine");
    SetPropValue(bevel, "Style", "bsRaised");
    EXPECT_EQ(bevel->Shape(), bsTopLine);
    EXPECT_EQ(bevel->Style(), bsRaised);
}

}  // namespace
