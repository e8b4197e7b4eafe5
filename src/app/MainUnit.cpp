// The main window's definition, its start-up, its place, size and columns
// kept between runs, the two views and the options.
#include "app/MainUnit.h"

#include <algorithm>

#include "app/HelpUnit.h"
#include "app/Pictures.h"
#include "app/WindowTexts.h"
#include "base/Unicode.h"

TMain* Main = nullptr;
const wchar_t* TMain::SettingsKey = L"Software\\Tallowmere\\Sweepfield";

namespace {

// The heading style of the configuration view's three section titles: bold,
// with a shadow in the highlight colour and the first letter in red. The
// shadow lies one pixel down and right of the text, a raised edge: further
// off it reads as a second, cut copy of the heading. The label is as wide as
// the line under it, so the shadow of its last letter is whole.
void DefineHeading(TExtraLabel* label, int left, const char* caption, const char* hint) {
    label->SetLeft(left);
    label->SetTop(8);
    label->SetWidth(137);
    label->SetHeight(25);
    if (*hint) label->SetHint(hint);
    label->SetAutoSize(false);
    label->SetCaption(caption);
    label->GetFont()->SetStyle({fsBold});
    label->SetShadow(ssAuto);
    label->GetShadowFont()->SetColor(clBtnHighlight);
    label->SetShadowDepth(1);
    label->SetRemarkFirstLetter(true);
    label->GetRemarkFont()->SetStyle({fsBold});
}

void DefineUnderline(TBevel* bevel, int left) {
    bevel->SetBounds(left, 24, 137, 10);
    bevel->SetShape(bsBottomLine);
}

// The five option boxes: bold captions and the window's own pictures.
void DefineOption(TBitCheckBox* box, int top, int width, const char* caption, const char* hint) {
    box->SetBounds(320, top, width, 17);
    if (*hint) box->SetHint(hint);
    box->SetCaption(caption);
    box->SetCheckedGlyph(sweep::Picture("CHK_CHECKED").get());
    box->GetFont()->SetStyle({fsBold});
    box->SetGrayedGlyph(sweep::Picture("CHK_GRAYED").get());
    box->SetUncheckedGlyph(sweep::Picture("CHK_UNCHECKED").get());
}

// The four toolbar buttons: 121 x 49, picture above a bold caption, see-through.
void DefineToolButton(TFlatButton* button, int left, const char* caption, const char* hint, const char* picture) {
    button->SetBounds(left, 8, 121, 49);
    if (*hint) button->SetHint(hint);
    button->SetCaption(caption);
    button->GetFont()->SetStyle({fsBold});
    button->SetGlyph(sweep::Picture(picture).get());
    button->SetLayout(blGlyphTop);
    button->SetNumGlyphs(2);
    button->SetOpaque(false);
}

void DefineKbLabel(TLabel* label, int top) {
    label->SetLeft(472);
    label->SetTop(top);
    label->SetCaption("Kb");
    label->GetFont()->SetStyle({fsBold});
    label->SetTransparent(true);
}

// The window definition: every control with the property values that differ
// from their defaults, in the order the properties are declared.
void DefineMain(TMain& f) {
    f.SetName("Main");
    f.SetLeft(192);
    f.SetTop(107);
    f.SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    f.SetBorderStyle(bsSizeable);
    f.SetCaption("Tallowmere Sweepfield Beta Version 0.5");
    f.SetClientHeight(340);
    f.SetClientWidth(540);
    // The size it is made with is the smallest it can be dragged to.
    f.SetConstraints(TSizeConstraints{f.GetWidth(), f.GetHeight()});
    f.GetIcon()->LoadFromResourceName(::GetModuleHandleW(nullptr), "MAINICON");
    f.SetShowHint(true);
    f.SetKeyPreview(true);
    f.OnCreate = Bind(&f, &TMain::FormCreate);
    f.OnKeyDown = Bind(&f, &TMain::FormKeyDown);
    f.OnClose = Bind(&f, &TMain::FormClose);

    // The delete button's menu comes first: the button refers to it.
    f.PopupMenu1 = NewComponent<TPopupMenu>(&f, "PopupMenu1");
    f.Eliminar1 = NewComponent<TMenuItem>(&f, "Eliminar1");
    // The keys of the system's file manager, by their Spanish names whatever
    // the keyboard: Mayús+Supr deletes for good, Supr recycles. The result
    // list acts on them (xgFoundFilesKeyDown).
    f.Eliminar1->SetCaption("Eliminar");
    f.Eliminar1->SetShortCut(ShortCut(VK_DELETE, {ssShift}));
    f.Eliminar1->SetShortCutText("Mayús+Supr");
    f.Eliminar1->OnClick = Bind(&f, &TMain::Eliminar1Click);
    f.PopupMenu1->GetItems()->Add(f.Eliminar1);
    f.EnviaralaPapelera1 = NewComponent<TMenuItem>(&f, "EnviaralaPapelera1");
    f.EnviaralaPapelera1->SetCaption("Enviar a la Papelera");
    f.EnviaralaPapelera1->SetShortCut(ShortCut(VK_DELETE, {}));
    f.EnviaralaPapelera1->SetShortCutText("Supr");
    f.EnviaralaPapelera1->OnClick = Bind(&f, &TMain::EnviaralaPapelera1Click);
    f.PopupMenu1->GetItems()->Add(f.EnviaralaPapelera1);

    // The result rows' context menu: the two removals as in the delete
    // button's menu, and what leads from the rows elsewhere.
    f.RowsMenu = NewComponent<TPopupMenu>(&f, "RowsMenu");
    auto addItem = [&f](const char* name, const char* caption, TShortCut key, const char* keyText,
                        void (TMain::*click)(TObject*)) {
        auto* item = NewComponent<TMenuItem>(&f, name);
        item->SetCaption(caption);
        if (key) item->SetShortCut(key);
        if (*keyText) item->SetShortCutText(keyText);
        if (click) item->OnClick = Bind(&f, click);
        f.RowsMenu->GetItems()->Add(item);
        return item;
    };
    f.AbrirCarpeta1 = addItem("AbrirCarpeta1", "Abrir carpeta", scNone, "", &TMain::AbrirCarpeta1Click);
    f.CopiarRuta1 = addItem("CopiarRuta1", "Copiar ruta", scNone, "", &TMain::CopiarRuta1Click);
    addItem("N1", "-", scNone, "", nullptr);
    f.ConservarCopia1 =
        addItem("ConservarCopia1", "Conservar esta copia", scNone, "", &TMain::ConservarCopia1Click);
    f.ConservarCopia1->SetVisible(false);
    f.EnviaralaPapelera2 = addItem("EnviaralaPapelera2", "Enviar a la Papelera", ShortCut(VK_DELETE, {}), "Supr",
                                   &TMain::EnviaralaPapelera1Click);
    f.Eliminar2 = addItem("Eliminar2", "Eliminar", ShortCut(VK_DELETE, {ssShift}), "Mayús+Supr",
                          &TMain::Eliminar1Click);
    addItem("N2", "-", scNone, "", nullptr);
    f.GuardarLista1 = addItem("GuardarLista1", "Guardar lista…", ShortCut('S', {ssCtrl}), "Ctrl+S",
                              &TMain::GuardarLista1Click);

    // The toolbar.
    f.Panel1 = NewControl<TPanel>(&f, "Panel1", &f);
    f.Panel1->SetHeight(65);
    f.Panel1->SetAlign(alTop);
    f.TileImage1 = NewControl<TTileImage>(&f, "TileImage1", f.Panel1);
    f.TileImage1->SetBounds(1, 1, 538, 63);
    f.TileImage1->SetAnchors({akLeft, akTop, akRight});
    f.TileImage1->SetImage(sweep::Picture("TILE").get());
    f.TileImage1->SetTranColor(0x02FFFFFF);

    f.StartButton = NewControl<TFlatButton>(&f, "StartButton", f.Panel1);
    f.StartButton->SetAllowAllUp(true);
    f.StartButton->SetGroupIndex(1);
    f.StartButton->SetDropdownArrow(false);
    DefineToolButton(f.StartButton, 8, "Comenzar búsqueda", "Pulsa para comenzar/repetir la búsqueda", "BTN_START");
    f.StartButton->OnClick = Bind(&f, &TMain::StartButtonClick);
    f.StartButton->OnDownChange = Bind(&f, &TMain::StartButtonDownChange);

    f.ConfigButton = NewControl<TFlatButton>(&f, "ConfigButton", f.Panel1);
    f.ConfigButton->SetAllowAllUp(true);
    f.ConfigButton->SetGroupIndex(1);
    f.ConfigButton->SetDown(true);
    f.ConfigButton->SetDropdownArrow(false);
    DefineToolButton(f.ConfigButton, 136, "Configurar", "Pulsa para configurar la búsqueda", "BTN_CONFIG");
    f.ConfigButton->OnDownChange = Bind(&f, &TMain::ConfigButtonDownChange);

    f.DeleteButton = NewControl<TFlatButton>(&f, "DeleteButton", f.Panel1);
    f.DeleteButton->SetDropdownMenu(f.PopupMenu1);
    f.DeleteButton->SetEnabled(false);
    DefineToolButton(f.DeleteButton, 264, "Borrar Selección", "Elimina los archivos seleccionados", "BTN_DELETE");

    f.HelpButton = NewControl<TFlatButton>(&f, "HelpButton", f.Panel1);
    f.HelpButton->SetAllowAllUp(true);
    f.HelpButton->SetDropdownArrow(false);
    DefineToolButton(f.HelpButton, 392, "Ayuda", "", "BTN_HELP");
    f.HelpButton->OnClick = Bind(&f, &TMain::HelpButtonClick);

    // The status bar.
    f.StatusBar = NewControl<TStatusBar>(&f, "StatusBar", &f);
    f.StatusBar->SetTop(321);
    f.StatusBar->SetWidth(540);
    f.StatusBar->SetHeight(19);
    struct PanelSpec {
        int width;
        TAlignment alignment;
        const char* text;
    };
    for (const PanelSpec& p : {PanelSpec{50, taRightJustify, "0"}, PanelSpec{70, taLeftJustify, "Encontrados"},
                               PanelSpec{70, taRightJustify, "0"}, PanelSpec{70, taLeftJustify, "Total Bytes"},
                               PanelSpec{-1, taLeftJustify, "OK, esperando"}, PanelSpec{0, taLeftJustify, ""}}) {
        TStatusPanel* panel = f.StatusBar->GetPanels()->Add();
        if (p.alignment != taLeftJustify) panel->SetAlignment(p.alignment);
        panel->SetText(p.text);
        panel->SetWidth(p.width);
    }
    f.StatusBar->SetSizeGrip(true);
    // A search changes the count for every result and the folder for every
    // folder, thousands of times a second; ten updates a second are plenty
    // to read and keep the repainting off the search's time.
    f.StatusBar->SetTextInterval(100);

    // The configuration view.
    f.ConfigPanel = NewControl<TPanel>(&f, "ConfigPanel", &f);
    f.ConfigPanel->SetTop(65);
    f.ConfigPanel->SetWidth(540);
    f.ConfigPanel->SetHeight(256);
    f.ConfigPanel->SetAlign(alClient);
    TWinControl* cp = f.ConfigPanel;

    f.TileImage2 = NewControl<TTileImage>(&f, "TileImage2", cp);
    f.TileImage2->SetBounds(1, 1, 538, 254);
    f.TileImage2->SetAnchors({akLeft, akTop, akRight, akBottom});
    f.TileImage2->SetImage(sweep::Picture("TILE").get());
    f.TileImage2->SetTranColor(0x02FFFFFF);

    f.ExtraLabel1 = NewControl<TExtraLabel>(&f, "ExtraLabel1", cp);
    DefineHeading(f.ExtraLabel1, 8, "Ficheros a buscar", "Introduce un nuevo patrón de búsqueda");
    f.Bevel1 = NewControl<TBevel>(&f, "Bevel1", cp);
    DefineUnderline(f.Bevel1, 8);

    f.eName = NewControl<TEdit>(&f, "eName", cp);
    f.eName->SetBounds(8, 40, 137, 21);
    f.eName->SetHint("Introduce un nuevo patrón de búsqueda");
    f.eName->SetTabOrder(0);

    f.sgFiles = NewControl<TStringGrid>(&f, "sgFiles", cp);
    f.sgFiles->SetBounds(8, 72, 257, 153);
    f.sgFiles->SetAnchors({akLeft, akTop, akBottom});
    f.sgFiles->SetHint(
        "Lista de patrones a buscar y modo de eliminación automática, para editar/eliminar hacer doble clic.");
    f.sgFiles->SetTabOrder(2);
    f.sgFiles->SetColCount(3);
    f.sgFiles->SetFixedCols(0);
    f.sgFiles->SetFixedRows(0);
    f.sgFiles->SetOptions({goHorzLine, goRangeSelect, goRowSelect, goThumbTracking});
    f.sgFiles->SetScrollBars(TScrollStyle::ssVertical);
    f.sgFiles->OnDblClick = Bind(&f, &TMain::sgFilesDblClick);
    f.sgFiles->OnKeyDown = Bind(&f, &TMain::sgFilesKeyDown);

    f.AddButton = NewControl<TBitBtn>(&f, "AddButton", cp);
    f.AddButton->SetBounds(272, 72, 27, 25);
    f.AddButton->SetHint("Añade el nuevo patrón de búsqueda a la lista");
    f.AddButton->SetTabOrder(5);
    f.AddButton->SetDefault(true);
    f.AddButton->SetGlyph(sweep::Picture("BTN_ADD").get());
    f.AddButton->SetNumGlyphs(2);
    f.AddButton->OnClick = Bind(&f, &TMain::AddButtonClick);

    f.ExtraLabel2 = NewControl<TExtraLabel>(&f, "ExtraLabel2", cp);
    DefineHeading(f.ExtraLabel2, 160, "Borrado automático", sweep::kModesHint);
    f.Bevel2 = NewControl<TBevel>(&f, "Bevel2", cp);
    DefineUnderline(f.Bevel2, 160);

    f.cbAutodel = NewControl<TComboBox>(&f, "cbAutodel", cp);
    f.cbAutodel->SetBounds(160, 40, 105, 21);
    f.cbAutodel->SetHint(sweep::ModeHint(0));
    f.cbAutodel->SetStyle(csSimple);
    f.cbAutodel->SetTabOrder(1);
    for (const char* item : {"No", "Papelera", "Eliminar", "Excluir"}) f.cbAutodel->AddItem(item);
    f.cbAutodel->OnDblClick = Bind(&f, &TMain::cbAutodelDblClick);
    f.cbAutodel->OnChange = Bind(&f, &TMain::cbAutodelChange);
    f.cbAutodel->OnKeyPress = Bind(&f, &TMain::cbAutodelKeyPress);

    f.Bevel3 = NewControl<TBevel>(&f, "Bevel3", cp);
    f.Bevel3->SetBounds(304, 8, 9, 217);
    f.Bevel3->SetAnchors({akLeft, akTop, akBottom});
    f.Bevel3->SetShape(bsLeftLine);

    f.ExtraLabel3 = NewControl<TExtraLabel>(&f, "ExtraLabel3", cp);
    DefineHeading(f.ExtraLabel3, 320, "Opciones varias", "");
    f.Bevel4 = NewControl<TBevel>(&f, "Bevel4", cp);
    DefineUnderline(f.Bevel4, 320);

    f.SearchSubdirs = NewControl<TBitCheckBox>(&f, "SearchSubdirs", cp);
    f.SearchSubdirs->SetChecked(true);
    DefineOption(f.SearchSubdirs, 48, 169, "Buscar en subdirectorios",
                 "Marca para buscar también en los subdirectorios del inicial");
    f.SearchDups = NewControl<TBitCheckBox>(&f, "SearchDups", cp);
    DefineOption(f.SearchDups, 72, 201, "Buscar ficheros duplicados",
                 "Marca para listar solo los ficheros encontrados cuyo contenido es idéntico al de otro, por grupos");
    f.SelectHomeDir = NewControl<TBitCheckBox>(&f, "SelectHomeDir", cp);
    DefineOption(f.SelectHomeDir, 96, 201, "Seleccionar directorio de inicio",
                 "Marca para seleccionar un directorio inicial (por defecto es c:\\)");
    f.SearchLesserThan = NewControl<TBitCheckBox>(&f, "SearchLesserThan", cp);
    DefineOption(f.SearchLesserThan, 120, 201, "Buscar archivos menores que:",
                 "Solo busca archivos menores al valor especificado");
    f.SearchLesserThan->OnClick = Bind(&f, &TMain::SearchLesserThanClick);

    f.LesserThan = NewControl<TSpinEdit>(&f, "LesserThan", cp);
    f.LesserThan->SetBounds(344, 139, 121, 22);
    f.LesserThan->SetHint("Tamaño máximo del fichero a buscar");
    f.LesserThan->SetEnabled(false);
    f.LesserThan->GetFont()->SetStyle({fsBold});
    f.LesserThan->SetIncrement(32);
    f.LesserThan->SetMaxValue(2147483647);
    f.LesserThan->SetTabOrder(3);
    f.LesserThan->SetValue(32);
    f.LesserThan->OnChange = Bind(&f, &TMain::LesserThanChange);
    f.LesserThan->OnExit = Bind(&f, &TMain::LesserThanExit);
    f.LesserThan->OnKeyPress = Bind(&f, &TMain::FilterKeys);

    f.Label1 = NewControl<TLabel>(&f, "Label1", cp);
    DefineKbLabel(f.Label1, 144);

    f.SearchGreaterThan = NewControl<TBitCheckBox>(&f, "SearchGreaterThan", cp);
    DefineOption(f.SearchGreaterThan, 168, 201, "Buscar archivos mayores que:",
                 "Solo busca archivos mayores al valor especificado");
    f.SearchGreaterThan->OnClick = Bind(&f, &TMain::SearchGreaterThanClick);

    f.GreaterThan = NewControl<TSpinEdit>(&f, "GreaterThan", cp);
    f.GreaterThan->SetBounds(344, 187, 121, 22);
    f.GreaterThan->SetHint("Tamaño mínimo del fichero a buscar");
    f.GreaterThan->SetEnabled(false);
    f.GreaterThan->SetIncrement(32);
    f.GreaterThan->SetTabOrder(4);
    f.GreaterThan->SetValue(1024);
    f.GreaterThan->OnChange = Bind(&f, &TMain::GreaterThanChange);
    f.GreaterThan->OnExit = Bind(&f, &TMain::GreaterThanExit);
    f.GreaterThan->OnKeyPress = Bind(&f, &TMain::FilterKeys);

    f.Label2 = NewControl<TLabel>(&f, "Label2", cp);
    DefineKbLabel(f.Label2, 192);

    // The results view.
    f.xgFoundFiles = NewControl<TXStringGrid>(&f, "xgFoundFiles", &f);
    f.xgFoundFiles->SetTop(65);
    f.xgFoundFiles->SetWidth(540);
    f.xgFoundFiles->SetHeight(256);
    f.xgFoundFiles->SetAlign(alClient);
    f.xgFoundFiles->SetVisible(false);
    f.xgFoundFiles->SetTabStop(false);
    f.xgFoundFiles->SetColCount(4);
    f.xgFoundFiles->SetDefaultRowHeight(16);
    f.xgFoundFiles->SetFixedCols(0);
    f.xgFoundFiles->SetRowCount(2);
    f.xgFoundFiles->SetTrailingRows(1);  // the blank row after the results
    f.xgFoundFiles->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goColSizing, goRowSelect});
    // The path column takes what the window's width gains or loses, and
    // shortens a path too long for it in its middle; the name column
    // shortens a name before its extension; sizes and times widen.
    f.xgFoundFiles->SetStretchCol(TMain::colFolder);
    f.xgFoundFiles->SetColumnFit(TMain::colName, cfShortenName);
    f.xgFoundFiles->SetColumnFit(TMain::colFolder, cfShortenPath);
    f.xgFoundFiles->SetSearchOptions({});
    f.xgFoundFiles->GetTitleFont()->SetStyle({fsBold});
    f.xgFoundFiles->OnTitleClick = Bind(&f, &TMain::xgFoundFilesTitleClick);
    f.xgFoundFiles->OnKeyDown = Bind(&f, &TMain::xgFoundFilesKeyDown);
    f.xgFoundFiles->OnSelectionChange = Bind(&f, &TMain::xgFoundFilesSelectionChange);
    f.xgFoundFiles->OnDblClick = Bind(&f, &TMain::xgFoundFilesDblClick);
    f.xgFoundFiles->OnContextPopup = Bind(&f, &TMain::xgFoundFilesContextPopup);
    f.xgFoundFiles->OnRowStyle = [&f](int row) { return f.RowStyle(row); };

    f.WorkTimer = NewComponent<TTimer>(&f, "WorkTimer");
    f.WorkTimer->SetEnabled(false);
    f.WorkTimer->SetInterval(40);
    f.WorkTimer->OnTimer = Bind(&f, &TMain::WorkTimerTimer);

    f.GradientCaption1 = NewComponent<TGradientCaption>(&f, "GradientCaption1");
    f.GradientCaption1->GetAppNameText()->SetCaption("Sweepfield");
    f.GradientCaption1->GetAppNameText()->SetFontKind(fkSystemB);
    f.GradientCaption1->GetCaptionText()->SetCaption("Beta Version 0.5");
    f.GradientCaption1->GetCompanyText()->SetCaption("Tallowmere");
    f.GradientCaption1->GetCompanyText()->SetFontKind(fkSystemBI);
}

}  // namespace

TMain::TMain(TComponent* owner) : TForm(owner) {
    Define([this] { DefineMain(*this); });
}

void TMain::FormCreate(TObject*) {
    // A seventh of the free screen space from the top-left corner.
    SetBounds((Screen->GetWidth() - GetWidth()) / 7, (Screen->GetHeight() - GetHeight()) / 7, GetWidth(),
              GetHeight());

    LoadPatterns(IniPath(), sweep::RoamingPatternFile());
    // The pattern column lies under the pattern field, the mode column under
    // the mode box.
    const int patternWidth = eName->GetWidth();
    const int gap = cbAutodel->GetLeft() - (eName->GetLeft() + eName->GetWidth());
    sgFiles->SetColWidths(0, patternWidth);
    sgFiles->SetColWidths(1, gap);
    sgFiles->SetColWidths(2, sgFiles->GetClientWidth() - patternWidth - gap);

    cbAutodel->SetItemIndex(0);
    ShowModeHint();

    xgFoundFiles->SetCells(colName, 0, "Fichero");
    xgFoundFiles->SetCells(colFolder, 0, "Ruta");
    xgFoundFiles->SetCells(colSize, 0, "Tamaño");
    xgFoundFiles->SetCells(colModified, 0, "Modificado");
    DefaultColumnWidths();
    RestoreSettings();
}

void TMain::DefaultColumnWidths() {
    // Room for a vertical scroll bar and the lines between the columns: all
    // four columns show whole, a search's rows or not.
    const int lines = xgFoundFiles->GetColCount();
    const int w = xgFoundFiles->GetClientWidth() - ::GetSystemMetrics(SM_CXVSCROLL) - lines;
    TCanvas* canvas = xgFoundFiles->GetCanvas();
    canvas->SetFont(xgFoundFiles->GetFont());
    // Wide samples: a size of a terabyte, a time of two-digit day, month,
    // hour; the column widens for anything wider.
    SYSTEMTIME sample{2028, 12, 0, 28, 20, 48, 58, 0};
    FILETIME local, utc;
    ::SystemTimeToFileTime(&sample, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    const int size = canvas->TextWidth(sweep::SizeText(999999999999LL, sweep::UserDigitGrouping())) + 10;
    const int time = canvas->TextWidth(sweep::ModifiedText(utc)) + 10;
    const int rest = std::max(w - size - time, 2 * TStringGrid::MinStretchWidth);
    xgFoundFiles->SetColWidths(colName, rest * 2 / 5);
    xgFoundFiles->SetColWidths(colFolder, rest - rest * 2 / 5);
    xgFoundFiles->SetColWidths(colSize, size);
    xgFoundFiles->SetColWidths(colModified, time);
}

// ---------------------------------------------------------------- settings

namespace {

// Values of the settings' key: the window's normal place and size in screen
// pixels, whether it was maximized, the result columns' widths and the
// result grid's width they were taken at.
const wchar_t kLeft[] = L"Left", kTop[] = L"Top", kWidth[] = L"Width", kHeight[] = L"Height";
const wchar_t kMaximized[] = L"Maximized", kColumns[] = L"ColumnWidths", kListWidth[] = L"ListWidth";

class SettingsRegistry {
public:
    explicit SettingsRegistry(bool write) {
        const LONG result =
            write ? ::RegCreateKeyExW(HKEY_CURRENT_USER, TMain::SettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_,
                                      nullptr)
                  : ::RegOpenKeyExW(HKEY_CURRENT_USER, TMain::SettingsKey, 0, KEY_READ, &key_);
        if (result != ERROR_SUCCESS) key_ = nullptr;
    }
    ~SettingsRegistry() {
        if (key_) ::RegCloseKey(key_);
    }
    SettingsRegistry(const SettingsRegistry&) = delete;
    SettingsRegistry& operator=(const SettingsRegistry&) = delete;
    explicit operator bool() const { return key_ != nullptr; }

    bool Read(const wchar_t* name, int& value) const {
        DWORD data = 0, type = 0, size = sizeof data;
        if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return false;
        value = static_cast<int>(data);
        return true;
    }
    std::string ReadText(const wchar_t* name) const {
        wchar_t data[256] = L"";
        DWORD type = 0, size = sizeof data - sizeof(wchar_t);
        if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return std::string();
        return base::Utf8(data);
    }
    void Write(const wchar_t* name, int value) const {
        const DWORD data = static_cast<DWORD>(value);
        ::RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    void WriteText(const wchar_t* name, const std::string& text) const {
        const std::wstring data = base::Wide(text);
        ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY key_ = nullptr;
};

// The offset from a window placement's workspace coordinates to the
// screen's, on the monitor of a rectangle (nothing where the taskbar is
// not at the top or left).
POINT WorkspaceOffset(const RECT& r) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &info)) return POINT{0, 0};
    return POINT{info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

}  // namespace

void TMain::RestoreSettings() {
    const SettingsRegistry key(false);
    if (!key) return;
    int left, top, width, height;
    if (key.Read(kLeft, left) && key.Read(kTop, top) && key.Read(kWidth, width) && key.Read(kHeight, height)) {
        // Never smaller than the window can be made, never larger than the screen.
        width = std::clamp(width, GetConstraints().MinWidth, std::max(Screen->GetWidth(), GetConstraints().MinWidth));
        height =
            std::clamp(height, GetConstraints().MinHeight, std::max(Screen->GetHeight(), GetConstraints().MinHeight));
        const RECT r{left, top, left + width, top + height};
        if (!::MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
            // On no monitor today: on the primary one, where it starts first.
            left = (Screen->GetWidth() - width) / 7;
            top = (Screen->GetHeight() - height) / 7;
        }
        SetBounds(left, top, width, height);
    }
    int maximized = 0;
    if (key.Read(kMaximized, maximized) && maximized) SetWindowState(wsMaximized);
    // The widths go with the grid's width they were taken at; the hidden
    // grid takes that width first, and its path column follows the grid
    // once the grid shows at its place.
    const std::vector<int> widths = sweep::ParseWidths(key.ReadText(kColumns), colReason);
    int listWidth = 0;
    if (widths.empty() || !key.Read(kListWidth, listWidth) || listWidth <= 0 || listWidth > 100000) return;
    if (!xgFoundFiles->GetVisible()) xgFoundFiles->SetWidth(listWidth);
    for (int col = 0; col < colReason; ++col) xgFoundFiles->SetColWidths(col, widths[static_cast<std::size_t>(col)]);
}

void TMain::SaveSettings() {
    const SettingsRegistry key(true);
    if (!key) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(GetHandle(), &placement)) {
        RECT r = placement.rcNormalPosition;
        const POINT offset = WorkspaceOffset(r);
        ::OffsetRect(&r, offset.x, offset.y);
        key.Write(kLeft, r.left);
        key.Write(kTop, r.top);
        key.Write(kWidth, r.right - r.left);
        key.Write(kHeight, r.bottom - r.top);
        const bool maximized =
            ::IsZoomed(GetHandle()) || (::IsIconic(GetHandle()) && (placement.flags & WPF_RESTORETOMAXIMIZED));
        key.Write(kMaximized, maximized ? 1 : 0);
    }
    std::vector<int> widths;
    for (int col = 0; col < colReason; ++col) widths.push_back(xgFoundFiles->GetColWidths(col));
    key.WriteText(kColumns, sweep::WidthsText(widths));
    key.Write(kListWidth, xgFoundFiles->GetWidth());
}

void TMain::SetPanel(Panel panel, const std::string& text) { StatusBar->GetPanels()->GetItem(panel)->SetText(text); }

void TMain::FormClose(TObject*) {
    // Closing the window ends the program: a search or a deletion stops now,
    // after the folder or the file in hand.
    if (search_) search_->Stop();
    if (dupSearch_) dupSearch_->Stop();
    if (deletion_) deletion_->Stop();
    SaveSettings();
}

void TMain::FormKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    // Ctrl+S saves the result list, wherever the focus is.
    if (ShortCut(Key, Shift) == GuardarLista1->GetShortCut() && !Busy()) {
        Key = 0;
        GuardarLista1Click(this);
        return;
    }
    // Esc stops a search or a deletion; what was done so far stays.
    if (Key != VK_ESCAPE || !Busy()) return;
    if (search_) search_->Stop();
    if (dupSearch_) dupSearch_->Stop();
    if (deletion_) deletion_->Stop();
    Key = 0;
}

// ---------------------------------------------------------------- the views

void TMain::ConfigButtonDownChange(TObject*) {
    const bool configuring = ConfigButton->GetDown();
    ConfigPanel->SetVisible(configuring);
    xgFoundFiles->SetVisible(!configuring);
    UpdateDeleteButton();
}

void TMain::StartButtonDownChange(TObject*) { UpdateDeleteButton(); }

void TMain::UpdateDeleteButton() {
    DeleteButton->SetEnabled(!working_ && xgFoundFiles->GetVisible() && xgFoundFiles->HasSelection());
}

void TMain::HelpButtonClick(TObject*) {
    if (!HelpForm->GetVisible()) HelpForm->Show();
}

// ---------------------------------------------------------------- size options

void TMain::SizeOptionClicked(TBitCheckBox* box, TSpinEdit* field) {
    field->SetEnabled(box->GetChecked());
    if (field->GetEnabled()) field->SetFocus();
}

void TMain::SearchLesserThanClick(TObject*) { SizeOptionClicked(SearchLesserThan, LesserThan); }
void TMain::SearchGreaterThanClick(TObject*) { SizeOptionClicked(SearchGreaterThan, GreaterThan); }

void TMain::CleanSizeField(TSpinEdit* field, bool leaving) {
    const std::string text = field->GetText();
    const std::string clean =
        leaving ? sweep::CleanSizeTextOnExit(text) : sweep::CleanSizeTextOnChange(text);
    if (clean == text) return;
    field->SetText(clean);
    // The caret goes to the end, where the user was typing.
    const WPARAM end = base::Wide(clean).size();  // in the field's UTF-16 units
    ::SendMessageW(field->GetHandle(), EM_SETSEL, end, static_cast<LPARAM>(end));
}

void TMain::LesserThanChange(TObject*) { CleanSizeField(LesserThan, false); }
void TMain::GreaterThanChange(TObject*) { CleanSizeField(GreaterThan, false); }
void TMain::LesserThanExit(TObject*) { CleanSizeField(LesserThan, true); }
void TMain::GreaterThanExit(TObject*) { CleanSizeField(GreaterThan, true); }

void TMain::FilterKeys(TObject*, wchar_t& Key) {
    if (Key == L',' || Key == L'-') Key = 0;
}
