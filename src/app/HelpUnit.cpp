// The help window's definition, its three link buttons, and Esc to close it.
#include "app/HelpUnit.h"

#include "app/Pictures.h"
#include "ui/Handles.h"

THelpForm* HelpForm = nullptr;

namespace {

void DefineLinkButton(TFlatButton* button, int top, const char* caption, const char* picture) {
    button->SetBounds(184, top, 209, 22);
    button->SetCaption(caption);
    button->SetGlyph(sweep::Picture(picture).get());
    button->SetNumGlyphs(2);
    button->SetOpaque(false);
}

// The right edge of a letter's ink in a font, from where it is drawn: an
// italic capital leans out past its advance width.
int InkRight(TFont* font, wchar_t letter) {
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), font->GetHandle());
    ABC abc{};
    if (::GetCharABCWidthsW(dc.get(), letter, letter, &abc)) return abc.abcA + static_cast<int>(abc.abcB);
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), &letter, 1, &size);
    return size.cx;
}

void DefineHelpForm(THelpForm& f) {
    f.SetName("HelpForm");
    f.SetLeft(304);
    f.SetTop(147);
    f.SetBorderIcons({biSystemMenu});
    f.SetBorderStyle(bsSingle);
    f.SetCaption("Tallowmere Sweepfield - Ayuda");
    f.SetClientHeight(171);
    f.SetClientWidth(405);
    f.SetKeyPreview(true);
    f.OnKeyDown = Bind(&f, &THelpForm::FormKeyDown);

    f.TileImage2 = NewControl<TTileImage>(&f, "TileImage2", &f);
    f.TileImage2->SetBounds(0, 0, 405, 171);
    f.TileImage2->SetImage(sweep::Picture("TILE").get());
    f.TileImage2->SetTranColor(0x02FFFFFF);

    // A drop capital: with the text beside it, it reads as one sentence.
    f.Label2 = NewControl<TLabel>(&f, "Label2", &f);
    f.Label2->SetBounds(8, 0, 33, 54);
    f.Label2->SetAutoSize(false);
    f.Label2->SetCaption("P");
    f.Label2->GetFont()->SetColor(clGreen);
    f.Label2->GetFont()->SetHeight(-48);
    f.Label2->GetFont()->SetName("Times New Roman");
    f.Label2->GetFont()->SetStyle({fsBold, fsItalic});
    f.Label2->SetTransparent(true);

    // The text stands beside the capital, clear of its ink, as wide as the
    // room left before the buttons.
    constexpr int kGap = 3, kButtonsLeft = 184;
    const int textLeft = f.Label2->GetLeft() + InkRight(f.Label2->GetFont(), L'P') + kGap;
    f.Label1 = NewControl<TLabel>(&f, "Label1", &f);
    f.Label1->SetBounds(textLeft, 16, kButtonsLeft - kGap - textLeft, 152);
    f.Label1->SetCaption(
        "ara conseguir más información sobre el uso del programa, notificar la existencia de errores, dar "
        "consejo, ánimos (eso siempre se agradece) o, simplemente, por curiosidad, puedes...");
    f.Label1->GetFont()->SetColor(clBlack);
    f.Label1->GetFont()->SetHeight(-13);
    f.Label1->GetFont()->SetName("Arial");
    f.Label1->SetTransparent(true);
    f.Label1->SetWordWrap(true);

    f.FlatButton1 = NewControl<TFlatButton>(&f, "FlatButton1", &f);
    DefineLinkButton(f.FlatButton1, 32, "Visitar la Web de Hollowmarch", "BTN_WEB");
    f.FlatButton1->OnClick = Bind(&f, &THelpForm::FlatButton1Click);
    f.FlatButton2 = NewControl<TFlatButton>(&f, "FlatButton2", &f);
    DefineLinkButton(f.FlatButton2, 72, "Visitar la Web personal del Autor", "BTN_AUTHOR");
    f.FlatButton2->OnClick = Bind(&f, &THelpForm::FlatButton2Click);
    f.FlatButton3 = NewControl<TFlatButton>(&f, "FlatButton3", &f);
    DefineLinkButton(f.FlatButton3, 112, "Enviar un E-Mail al autor", "BTN_EMAIL");
    f.FlatButton3->OnClick = Bind(&f, &THelpForm::FlatButton3Click);

    f.GoHomeSite = NewComponent<TGoToWeb>(&f, "GoHomeSite");
    f.GoHomeSite->SetUrl("http://www.hollowmarch.example/");
    f.GoAuthorPage = NewComponent<TGoToWeb>(&f, "GoAuthorPage");
    f.GoAuthorPage->SetUrl("http://www.tallowmere.example/autor/");
    f.GoEMail = NewComponent<TGoToWeb>(&f, "GoEMail");
    f.GoEMail->SetUrl("mailto:autor@tallowmere.example");

    f.GradientCaption1 = NewComponent<TGradientCaption>(&f, "GradientCaption1");
    f.GradientCaption1->GetAppNameText()->SetCaption("Sweepfield -");
    f.GradientCaption1->GetAppNameText()->SetFontKind(fkSystemB);
    f.GradientCaption1->GetCaptionText()->SetCaption("Ayuda");
    f.GradientCaption1->GetCompanyText()->SetCaption("Tallowmere");
    f.GradientCaption1->GetCompanyText()->SetFontKind(fkSystemBI);
    f.GradientCaption1->SetEnabled(geWhenActive);
}

}  // namespace

THelpForm::THelpForm(TComponent* owner) : TForm(owner) {
    Define([this] { DefineHelpForm(*this); });
}

// A failed start (no browser registered) shows nothing.
void THelpForm::FlatButton1Click(TObject*) { GoHomeSite->Execute(); }
void THelpForm::FlatButton2Click(TObject*) { GoAuthorPage->Execute(); }
void THelpForm::FlatButton3Click(TObject*) { GoEMail->Execute(); }

void THelpForm::FormKeyDown(TObject*, WORD& Key, TShiftState) {
    // Esc closes the window, as the close button does.
    if (Key != VK_ESCAPE) return;
    Key = 0;
    Close();
}
