// Every stock control gives back the handles it makes: shown, painted,
// pressed and destroyed, a window full of them leaves the count as it was.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/BitBtn.h"
#include "ui/Bevel.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/FolderControls.h"
#include "ui/Forms.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/SpinEdit.h"
#include "base/Handles.h"

namespace {

TEST(StockHandles, AWindowOfStockControlsGivesBackEveryHandle) {
    test::HandlePosted();  // contexts borrowed outside painting go back after a message
    const long before = base::LiveHandleCount();
    {
        TForm form(Application);
        form.SetBorderStyle(bsSingle);
        form.SetBounds(40, 40, 560, 420);
        form.SetShowHint(true);
        auto* panel = new TPanel(&form);
        panel->SetParent(&form);
        panel->SetAlign(alClient);
        panel->SetHint("panel");
        auto* label = new TLabel(&form);
        label->SetParent(panel);
        label->SetCaption("Ficheros a buscar");
        auto* bevel = new TBevel(&form);
        bevel->SetParent(panel);
        bevel->SetShape(bsBottomLine);
        auto* edit = new TEdit(&form);
        edit->SetParent(panel);
        edit->SetHint("edit");
        auto* combo = new TComboBox(&form);
        combo->SetParent(panel);
        combo->SetStyle(csSimple);
        combo->SetTop(30);
        combo->AddItem("No");
        combo->SetHint("combo");
        auto* spin = new TSpinEdit(&form);
        spin->SetParent(panel);
        spin->SetTop(60);
        spin->SetHint("spin");
        auto* button = new TBitBtn(&form);
        button->SetParent(panel);
        button->SetTop(90);
        TBitmap strip;
        strip.SetSize(32, 16);
        button->SetGlyph(&strip);
        button->SetNumGlyphs(2);
        button->SetDefault(true);
        auto* drives = new TDriveComboBox(&form);
        drives->SetParent(panel);
        drives->SetTop(120);
        auto* list = new TDirectoryListBox(&form);
        list->SetParent(panel);
        list->SetBounds(200, 10, 200, 160);
        drives->SetDirList(list);
        form.Show();
        ::RedrawWindow(form.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        test::HandlePosted();
        ::SendMessageW(button->GetHandle(), BM_SETSTATE, TRUE, 0);
        button->SetEnabled(false);
        ::UpdateWindow(button->GetHandle());
        test::Canvas32 pic(560, 420);
        form.PaintTo(pic.dc(), 0, 0);
        list->RecreateWnd();
        combo->RecreateWnd();
        spin->RecreateWnd();
        test::HandlePosted();
        EXPECT_GT(base::LiveHandleCount(), before);
    }
    test::HandlePosted();
    EXPECT_EQ(base::LiveHandleCount(), before);
}

}  // namespace
