#include "app/MainUnit.h"

TMain* Main = nullptr;

namespace {

// The window definition: every property that differs from its default, in
// the order the properties are declared.
void DefineMain(TMain& f) {
    f.SetName("Main");
    f.SetLeft(192);
    f.SetTop(107);
    f.SetBorderIcons({biSystemMenu, biMinimize});
    f.SetBorderStyle(bsSingle);
    f.SetCaption("Tallowmere Sweepfield Beta Version 0.5");
    f.SetClientHeight(340);
    f.SetClientWidth(540);
    f.SetShowHint(true);
    f.OnCreate = Bind(&f, &TMain::FormCreate);
}

}  // namespace

TMain::TMain(TComponent* owner) : TForm(owner) {
    Define([this] { DefineMain(*this); });
}

void TMain::FormCreate(TObject*) {
    // The window sits a seventh of the free screen space from the top-left corner.
    SetTop((Screen->GetHeight() - GetHeight()) / 7);
    SetLeft((Screen->GetWidth() - GetWidth()) / 7);
}
