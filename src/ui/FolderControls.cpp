#include "ui/FolderControls.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const int kIndent = 8;   // one folder level further in
const int kIconSize = 16;

// Removable drives are not asked anything they would have to spin up for,
// and a drive without a disk fails quietly instead of asking the user.
class QuietDriveErrors {
public:
    QuietDriveErrors() : old_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietDriveErrors() { ::SetErrorMode(old_); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    UINT old_;
};

// The system's small icons, shared by the whole process (never destroyed here).
struct ShellIcons {
    HIMAGELIST List = nullptr;
    int ClosedFolder = -1;
    int OpenFolder = -1;
};

int ShellIconIndex(const char* path, DWORD attributes, UINT flags, HIMAGELIST* list) {
    SHFILEINFOA info{};
    auto result = ::SHGetFileInfoA(path, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | flags);
    if (!result) return -1;
    if (list) *list = reinterpret_cast<HIMAGELIST>(result);
    return info.iIcon;
}

const ShellIcons& Icons() {
    static const ShellIcons icons = [] {
        ShellIcons i;
        i.ClosedFolder = ShellIconIndex("folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES, &i.List);
        i.OpenFolder =
            ShellIconIndex("folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON, nullptr);
        return i;
    }();
    return icons;
}

int TextHeightOf(TFont* font) {
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), font->GetHandle());
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc.get(), &tm);
    return tm.tmHeight;
}

// One row of the drive box or the folder list: a picture and a name.
void DrawRow(const DRAWITEMSTRUCT& item, int indent, int icon, const std::string& text, TFont* font, TColor color) {
    HDC dc = item.hDC;
    ui::DcStateGuard state(dc);
    const TRect& r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    ui::BrushHandle back(::CreateSolidBrush(ColorToRGB(selected ? clHighlight : color)));
    ::FillRect(dc, &r, back.get());
    int x = r.left + 2 + indent;
    const ShellIcons& icons = Icons();
    if (icons.List && icon >= 0) {
        ::ImageList_Draw(icons.List, icon, dc, x, r.top + (RectHeight(r) - kIconSize) / 2, ILD_TRANSPARENT);
    }
    x += kIconSize + 4;
    ::SelectObject(dc, font->GetHandle());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(disabled ? clGrayText : selected ? clHighlightText : font->GetColor()));
    TRect tr = Rect(x, r.top, r.right, r.bottom);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &tr,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &r);
}

std::string CurrentFolder() {
    char buf[MAX_PATH];
    DWORD n = ::GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string("C:\\");
}

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH];
    DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    return n && n < sizeof buf ? std::string(buf, n) : path;
}

// "c: [Label]", as the classic drive box writes a drive; only fixed drives
// are asked for their label.
std::string DriveText(const std::string& root) {
    std::string text(1, static_cast<char>(std::tolower(static_cast<unsigned char>(root[0]))));
    text += ':';
    UINT type = ::GetDriveTypeA(root.c_str());
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
        char label[MAX_PATH + 1] = {};
        if (::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) &&
            label[0])
            text += std::string(" [") + label + "]";
    }
    return text;
}

int DriveIcon(const std::string& root) {
    UINT type = ::GetDriveTypeA(root.c_str());
    UINT flags = type == DRIVE_FIXED || type == DRIVE_RAMDISK ? 0 : SHGFI_USEFILEATTRIBUTES;
    return ShellIconIndex(root.c_str(), FILE_ATTRIBUTE_DIRECTORY, flags, nullptr);
}

}  // namespace

// ======================================================================== folders

namespace folders {

std::string Normalize(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (DriveOf(p) && p.size() <= 3) return p.substr(0, 2) + "\\";
    while (p.size() > 1 && p.back() == '\\' && !(DriveOf(p) && p.size() == 3)) p.pop_back();
    return p;
}

std::vector<std::string> Levels(const std::string& path) {
    std::string p = Normalize(path);
    std::vector<std::string> levels;
    std::size_t start = 0;
    if (DriveOf(p)) {
        levels.push_back(p.substr(0, 2) + "\\");
        start = 3;
    } else if (p.compare(0, 2, "\\\\") == 0) {
        // \\server\share is the root of a network path.
        std::size_t server = p.find('\\', 2);
        std::size_t share = server == std::string::npos ? std::string::npos : p.find('\\', server + 1);
        levels.push_back(p.substr(0, share));
        start = share == std::string::npos ? p.size() : share + 1;
    }
    while (start < p.size()) {
        std::size_t slash = p.find('\\', start);
        if (slash == std::string::npos) slash = p.size();
        if (slash > start) levels.push_back(p.substr(start, slash - start));
        start = slash + 1;
    }
    return levels;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

char DriveOf(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
}

void SortNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                                b.c_str(), static_cast<int>(b.size())) == CSTR_LESS_THAN;
    });
}

}  // namespace folders

// ======================================================================== TDriveComboBox

TDriveComboBox::TDriveComboBox(TComponent* owner) : TCustomComboBox(owner) {
    SetStyle(csDropDownList);
    drive_ = folders::DriveOf(CurrentFolder());
    UpdateDrives();
}

TDriveComboBox::~TDriveComboBox() = default;

void TDriveComboBox::CreateParams(TCreateParams& p) {
    TCustomComboBox::CreateParams(p);
    p.Style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
}

void TDriveComboBox::UpdateDrives() {
    DWORD mask = ::GetLogicalDrives();
    if (mask == driveMask_ && !drives_.empty()) return;
    driveMask_ = mask;
    char buf[1024] = {};
    DWORD n = ::GetLogicalDriveStringsA(sizeof buf - 1, buf);
    if (n >= sizeof buf) n = 0;
    QuietDriveErrors quiet;
    drives_.clear();
    driveIcons_.clear();
    ClearItems();
    for (const char* root = buf; *root; root += std::strlen(root) + 1) {
        drives_.push_back(folders::DriveOf(root));
        driveIcons_.push_back(DriveIcon(root));
        AddItem(DriveText(root));
    }
    auto it = std::find(drives_.begin(), drives_.end(), drive_);
    SetItemIndex(it == drives_.end() ? -1 : static_cast<int>(it - drives_.begin()));
}

void TDriveComboBox::SetDrive(char drive) {
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    if (!drive || drive == drive_) return;
    drive_ = drive;
    auto it = std::find(drives_.begin(), drives_.end(), drive_);
    SetItemIndex(it == drives_.end() ? -1 : static_cast<int>(it - drives_.begin()));
    if (dirList_) dirList_->SetDrive(drive_);
    TCustomComboBox::Change();
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
    if (list == dirList_) return;
    if (dirList_) {
        dirList_->driveCombo_ = nullptr;
        RemoveFreeNotification(dirList_);
    }
    dirList_ = list;
    if (!list) return;
    if (list->driveCombo_ && list->driveCombo_ != this) list->driveCombo_->SetDirList(nullptr);
    list->driveCombo_ = this;
    FreeNotification(list);
    SetDrive(list->GetDrive());
}

void TDriveComboBox::Notification(TComponent* component, TOperation operation) {
    TCustomComboBox::Notification(component, operation);
    if (operation == opRemove && component == dirList_) dirList_ = nullptr;
}

void TDriveComboBox::Change() {
    // The user picked a drive.
    int index = GetItemIndex();
    if (index >= 0 && index < static_cast<int>(drives_.size())) SetDrive(drives_[static_cast<std::size_t>(index)]);
}

void TDriveComboBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == CBN_DROPDOWN) UpdateDrives();
            break;
        case CN_MEASUREITEM: {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
            // The selection field keeps the height the control proposes, so
            // the box is as high as one that is not owner-drawn.
            if (mi->itemID != static_cast<UINT>(-1))
                mi->itemHeight = static_cast<UINT>(std::max(kIconSize, TextHeightOf(GetFont()) + 2));
            m.Result = TRUE;
            return;
        }
        case CN_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
            const int index = static_cast<int>(item.itemID);
            if (index >= 0 && index < GetItemCount())
                DrawRow(item, 0, driveIcons_[static_cast<std::size_t>(index)], GetItem(index), GetFont(), GetColor());
            else
                DrawRow(item, 0, -1, std::string(), GetFont(), GetColor());
            m.Result = TRUE;
            return;
        }
        default:
            break;
    }
    TCustomComboBox::WndProc(m);
}

// ======================================================================== TDirectoryListBox

TDirectoryListBox::TDirectoryListBox(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csDoubleClicks, csClickEvents});
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 145, 97);
    directory_ = folders::Normalize(CurrentFolder());
    ReadEntries();
}

TDirectoryListBox::~TDirectoryListBox() = default;

void TDirectoryListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.StockClass = "LISTBOX";
    p.Style |= LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDirectoryListBox::CreateWnd() {
    TWinControl::CreateWnd();
    ReadEntries();  // the folder may have changed while there was no window
    FillWindow();
}

void TDirectoryListBox::SetItemHeight(int height) {
    height = std::max(height, 1);
    if (height == itemHeight_) return;
    itemHeight_ = height;
    if (HandleAllocated()) {
        ::SendMessageA(GetHandle(), LB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    if (path.empty()) return;
    std::string full = folders::Normalize(FullPath(path));
    if (full == directory_) return;
    directory_ = full;
    ReadEntries();
    FillWindow();
    if (driveCombo_ && GetDrive()) driveCombo_->SetDrive(GetDrive());
    Fire(OnChange, this);
}

void TDirectoryListBox::SetDrive(char drive) {
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    if (!drive || drive == GetDrive()) return;
    // "D:" names the drive's current folder, as the process last left it.
    const char driveOnly[] = {drive, ':', '\0'};
    SetDirectory(FullPath(driveOnly));
}

std::string TDirectoryListBox::GetItemPath(int index) const {
    if (index < 0 || index >= GetItemCount()) return std::string();
    return entries_[static_cast<std::size_t>(index)].Path;
}

void TDirectoryListBox::OpenItem(int index) {
    if (index >= 0 && index < GetItemCount()) SetDirectory(entries_[static_cast<std::size_t>(index)].Path);
}

void TDirectoryListBox::ReadEntries() {
    entries_.clear();
    const std::vector<std::string> levels = folders::Levels(directory_);
    std::string path;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        path = i == 0 ? levels[0] : folders::Join(path, levels[i]);
        entries_.push_back(Entry{levels[i], path, static_cast<int>(i), true});
    }
    std::vector<std::string> names;
    {
        QuietDriveErrors quiet;
        WIN32_FIND_DATAA found;
        HANDLE h = ::FindFirstFileA(folders::Join(directory_, "*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) continue;
                names.push_back(name);
            } while (::FindNextFileA(h, &found));
            ::FindClose(h);
        }
    }
    folders::SortNames(names);
    const int level = static_cast<int>(levels.size());
    for (const std::string& name : names) entries_.push_back(Entry{name, folders::Join(directory_, name), level, false});
}

void TDirectoryListBox::FillWindow() {
    if (!HandleAllocated()) return;
    HWND wnd = GetHandle();
    ::SendMessageA(wnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(wnd, LB_RESETCONTENT, 0, 0);
    int current = -1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        ::SendMessageA(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries_[i].Name.c_str()));
        if (entries_[i].Open) current = static_cast<int>(i);
    }
    ::SendMessageA(wnd, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    ::SendMessageA(wnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(wnd, nullptr, TRUE);
}

void TDirectoryListBox::KeyPress(char& key) {
    TWinControl::KeyPress(key);
    if (key == '\r') {
        OpenItem(static_cast<int>(::SendMessageA(GetHandle(), LB_GETCURSEL, 0, 0)));
        key = 0;
    }
}

void TDirectoryListBox::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == driveCombo_) driveCombo_ = nullptr;
}

void TDirectoryListBox::DrawEntry(const DRAWITEMSTRUCT& item) {
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= GetItemCount()) {
        DrawRow(item, 0, -1, std::string(), GetFont(), GetColor());
        return;
    }
    const Entry& e = entries_[static_cast<std::size_t>(index)];
    const ShellIcons& icons = Icons();
    DrawRow(item, e.Level * kIndent, e.Open ? icons.OpenFolder : icons.ClosedFolder, e.Name, GetFont(), GetColor());
}

void TDirectoryListBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == LBN_DBLCLK) {
                OpenItem(static_cast<int>(::SendMessageA(GetHandle(), LB_GETCURSEL, 0, 0)));
                return;
            }
            break;
        case CN_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->itemHeight = static_cast<UINT>(itemHeight_);
            m.Result = TRUE;
            return;
        case CN_DRAWITEM:
            DrawEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
            m.Result = TRUE;
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}
