// The folder chooser's definition, the path it shows and its "Seguir" button.
#include "app/ChooseDirUnit.h"

#include "app/Pictures.h"
#include "ui/Graphics.h"

TChooseDir* ChooseDir = nullptr;

namespace {

void DefineChooseDir(TChooseDir& f) {
    f.SetName("ChooseDir");
    // The caption bar draws a close button on a tool window: the system menu
    // makes it (and Alt+F4) close the chooser, which cancels the search.
    f.SetBorderIcons({biSystemMenu});
    f.SetBorderStyle(bsToolWindow);
    f.SetCaption("Tallowmere Sweepfield - Selecciona directorio");
    f.SetClientHeight(214);
    f.SetClientWidth(297);

    // The strip along the top holds the drive box, "Seguir" and the line
    // that tells which folder "Seguir" searches.
    f.TileImage2 = NewControl<TTileImage>(&f, "TileImage2", &f);
    f.TileImage2->SetBounds(0, 0, 297, 51);
    f.TileImage2->SetImage(sweep::Picture("TILE").get());
    f.TileImage2->SetTranColor(0x02FFFFFF);

    f.DriveComboBox1 = NewControl<TDriveComboBox>(&f, "DriveComboBox1", &f);
    f.DriveComboBox1->SetBounds(0, 8, 145, 19);
    f.DriveComboBox1->SetTabOrder(1);

    f.FlatButton1 = NewControl<TFlatButton>(&f, "FlatButton1", &f);
    f.FlatButton1->SetBounds(216, 5, 79, 22);
    f.FlatButton1->SetCaption("Seguir");
    f.FlatButton1->SetGlyph(sweep::Picture("BTN_CONTINUE").get());
    f.FlatButton1->SetNumGlyphs(2);
    f.FlatButton1->SetOpaque(false);
    f.FlatButton1->OnClick = Bind(&f, &TChooseDir::FlatButton1Click);
    f.SetDefaultButton(f.FlatButton1);  // Enter: "Seguir"

    f.SearchInLabel = NewControl<TLabel>(&f, "SearchInLabel", &f);
    f.SearchInLabel->SetLeft(4);
    f.SearchInLabel->SetTop(33);
    f.SearchInLabel->SetCaption("Buscar en:");
    f.SearchInLabel->GetFont()->SetStyle({fsBold});
    f.SearchInLabel->SetTransparent(true);

    f.PathLabel = NewControl<TLabel>(&f, "PathLabel", &f);
    f.PathLabel->SetAutoSize(false);
    f.PathLabel->SetBounds(68, 33, 225, 15);
    f.PathLabel->SetShowAccelChar(false);  // a folder's name may hold "&"
    f.PathLabel->SetTransparent(true);

    f.DirectoryListBox1 = NewControl<TDirectoryListBox>(&f, "DirectoryListBox1", &f);
    f.DirectoryListBox1->SetBounds(0, 51, 297, 163);
    f.DirectoryListBox1->SetAlign(alBottom);
    f.DirectoryListBox1->SetItemHeight(16);
    f.DirectoryListBox1->SetTabOrder(0);
    f.DirectoryListBox1->OnSelect = Bind(&f, &TChooseDir::DirectoryListBox1Select);
    f.DriveComboBox1->SetDirList(f.DirectoryListBox1);

    f.GradientCaption1 = NewComponent<TGradientCaption>(&f, "GradientCaption1");
    f.GradientCaption1->GetAppNameText()->SetCaption("Sweepfield -");
    f.GradientCaption1->GetAppNameText()->SetFontKind(fkSystemB);
    f.GradientCaption1->GetCaptionText()->SetCaption("Selecciona directorio");
    f.GradientCaption1->GetCompanyText()->SetCaption("Tallowmere");
    f.GradientCaption1->GetCompanyText()->SetFontKind(fkSystemBI);
    f.GradientCaption1->SetEnabled(geWhenActive);
}

}  // namespace

TChooseDir::TChooseDir(TComponent* owner) : TForm(owner) {
    Define([this] { DefineChooseDir(*this); });
}

void TChooseDir::DirectoryListBox1Select(TObject*) {
    PathLabel->SetCaption(
        ui::FitPath(DirectoryListBox1->GetSelectedPath(), PathLabel->GetFont()->GetHandle(), PathLabel->GetWidth()));
}

void TChooseDir::FlatButton1Click(TObject*) {
    // The folder the user sees highlighted, and whose path the window shows.
    ChosenDir = DirectoryListBox1->GetSelectedPath();
    // A drive's root ends with its backslash already; a folder gets one.
    if (ChosenDir.empty() || ChosenDir.back() != '\\') ChosenDir += '\\';
    SetModalResult(mrOk);
}
