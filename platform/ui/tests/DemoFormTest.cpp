// The demonstration window, built from its form file (DemoForm.form),
// rendered offscreen to demo-controls.png in the test output folder for
// looking at.

#include <gtest/gtest.h>

#include "DemoForm.h"
#include "platform/classes/Filer.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Tabs.h"
#include "platform/ui/TestSupport.h"

namespace {

TEST(DemoFormTest, TheFormFileBuildsEveryControlAndItRendersToAPicture) {
    auto* form = new TfDemo(nullptr);
    form->AfterConstruction();
    // The form file's tree, values and bindings, and the unit's logic.
    EXPECT_EQ(form->Name(), "fDemo");
    EXPECT_EQ(form->ClientWidth(), 860);
    auto* pages = dynamic_cast<TPageControl*>(form->FindComponent("PageControl1"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->ActivePage(), form->FindComponent("TabPrvky"));
    auto* send = dynamic_cast<TToolButton*>(form->FindComponent("tbPoslat"));
    EXPECT_EQ(send->Caption(), "Poslat ihned");
    auto* quit = dynamic_cast<TMenuItem*>(form->FindComponent("mKonec"));
    EXPECT_EQ(quit->ShortCut(), ShortCut(VK_F4, {ssAlt}));
    EXPECT_EQ(quit->Parent(), form->FindComponent("mSoubor"));
    EXPECT_EQ(form->StatusBar1->Panels()->Count(), 3);
    EXPECT_TRUE(form->StatusBar1->OnDrawPanel);
    EXPECT_EQ(form->ListLog->Items()->Count(), 3);

    form->Show();
    PumpUntilIdle();
    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/demo-controls.png";
    ASSERT_TRUE(SaveControlToPng(form, file));
    EXPECT_TRUE(FileExists(file));
    form->Free();
    PumpUntilIdle();
}

}  // namespace
