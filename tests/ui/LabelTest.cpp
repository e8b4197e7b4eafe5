// Labels: auto-size, also for labels read from a window definition.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/Label.h"

namespace {

TEST(Label, ALabelReadFromADefinitionSizesItselfOnceLoaded) {
    TForm form(Application);
    TLabel* label = NewControl<TLabel>(&form, "Label1", &form);
    label->SetCaption("Kb");
    label->GetFont()->SetStyle({fsBold});
    // Still being read: the size waits.
    EXPECT_EQ(label->GetWidth(), 65);
    label->EndLoading();

    TCanvas measure;
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    measure.SetHandle(dc.get());
    measure.SetFont(label->GetFont());
    TSize extent = measure.TextExtent("Kb");
    measure.SetHandle(nullptr);
    EXPECT_EQ(label->GetWidth(), extent.cx);
    EXPECT_EQ(label->GetHeight(), extent.cy);
}

}  // namespace
