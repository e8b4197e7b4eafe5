#include "ui/FolderControls.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cwchar>

#include "base/Unicode.h"
#include "base/Handles.h"

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

int ShellIconIndex(const wchar_t* path, DWORD attributes, UINT flags, HIMAGELIST* list) {
    SHFILEINFOW info{};
    auto result = ::SHGetFileInfoW(path, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | flags);
    if (!result) return -1;
    if (list) *list = reinterpret_cast<HIMAGELIST>(result);
    return info.iIcon;
}

const ShellIcons& Icons() {
    static const ShellIcons icons = [] {
        ShellIcons i;
        i.ClosedFolder = ShellIconIndex(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES, &i.List);
        i.OpenFolder =
            ShellIconIndex(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON, nullptr);
        return i;
    }();
    return icons;
}

int TextHeightOf(TFont* font) {
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), font->GetHandle());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc.get(), &tm);
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
    const std::wstring wide = base::Wide(text);
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &tr,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &r);
}

// Calls a system function that fills a buffer and answers the length it
// needs when the buffer is too small, with a buffer that grows until the
// text fits; empty when the call fails.
template <class F>
std::wstring GrowingText(F&& call) {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = call(static_cast<DWORD>(buf.size()), &buf[0]);
        if (n == 0) return std::wstring();
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(n);
    }
}

std::string CurrentFolder() {
    const std::wstring folder = GrowingText([](DWORD size, wchar_t* buf) { return ::GetCurrentDirectoryW(size, buf); });
    return folder.empty() ? std::string("C:\\") : base::Utf8(folder);
}

std::string FullPath(const std::string& path) {
    const std::wstring wide = base::Wide(path);
    const std::wstring full = GrowingText(
        [&](DWORD size, wchar_t* buf) { return ::GetFullPathNameW(wide.c_str(), size, buf, nullptr); });
    return full.empty() ? path : base::Utf8(full);
}

// "c: [Label]", as the classic drive box writes a drive; only fixed drives
// are asked for their label.
std::string DriveText(const std::wstring& root) {
    std::string text(1, static_cast<char>(std::tolower(static_cast<unsigned char>(root[0]))));
    text += ':';
    UINT type = ::GetDriveTypeW(root.c_str());
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
        wchar_t label[MAX_PATH + 1] = {};
        if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
            label[0])
            text += " [" + base::Utf8(label) + "]";
    }
    return text;
}

int DriveIcon(const std::wstring& root) {
    UINT type = ::GetDriveTypeW(root.c_str());
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
    // Each name is converted once, not at every comparison.
    std::vector<std::pair<std::wstring, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) keyed.emplace_back(base::Wide(name), std::move(name));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.first.c_str(),
                                static_cast<int>(a.first.size()), b.first.c_str(),
                                static_cast<int>(b.first.size())) == CSTR_LESS_THAN;
    });
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::move(keyed[i].second);
}

std::wstring ListingPattern(const std::wstring& folder) {
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    // Up to MAX_PATH - 1 characters the system takes the path as it is;
    // beyond that only with the prefix that turns its parsing off (the
    // folder is a full path already).
    if (pattern.size() < MAX_PATH || pattern.compare(0, 4, L"\\\\?\\") == 0) return pattern;
    if (pattern.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + pattern.substr(2);
    if (pattern.size() >= 3 && pattern[1] == L':' && pattern[2] == L'\\') return L"\\\\?\\" + pattern;
    return pattern;
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
    // The roots come as one list of zero-terminated strings.
    std::wstring roots =
        GrowingText([](DWORD size, wchar_t* buf) { return ::GetLogicalDriveStringsW(size - 1, buf); });
    roots.push_back(L'\0');
    QuietDriveErrors quiet;
    drives_.clear();
    driveIcons_.clear();
    ClearItems();
    for (const wchar_t* root = roots.c_str(); *root; root += std::wcslen(root) + 1) {
        drives_.push_back(folders::DriveOf(base::Utf8(root)));
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
    p.StockClass = L"LISTBOX";
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
        ::SendMessageW(GetHandle(), LB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    if (path.empty()) return;
    ShowDirectory(folders::Normalize(FullPath(path)));
}

void TDirectoryListBox::ShowDirectory(const std::string& full) {
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
    // The row's path is a full path made of the names the system listed: it
    // is taken as it is, so that a name the path parser would change (one
    // that ends with a dot or a blank) still opens its own folder.
    if (index >= 0 && index < GetItemCount()) ShowDirectory(entries_[static_cast<std::size_t>(index)].Path);
}

std::string TDirectoryListBox::GetSelectedPath() const {
    const int index = HandleAllocated()
                          ? static_cast<int>(::SendMessageW(GetHandle(), LB_GETCURSEL, 0, 0))
                          : -1;
    return index >= 0 && index < GetItemCount() ? GetItemPath(index) : directory_;
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
        WIN32_FIND_DATAW found;
        base::FindHandle find(folders::ListingPattern(base::Wide(directory_)), found);
        if (find.Found()) {
            do {
                const std::wstring name = found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) continue;
                names.push_back(base::Utf8(name));
            } while (find.Next(found));
        }
    }
    folders::SortNames(names);
    const int level = static_cast<int>(levels.size());
    for (const std::string& name : names) entries_.push_back(Entry{name, folders::Join(directory_, name), level, false});
}

void TDirectoryListBox::FillWindow() {
    if (!HandleAllocated()) return;
    HWND wnd = GetHandle();
    ::SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(wnd, LB_RESETCONTENT, 0, 0);
    int current = -1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        ::SendMessageW(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(base::Wide(entries_[i].Name).c_str()));
        if (entries_[i].Open) current = static_cast<int>(i);
    }
    ::SendMessageW(wnd, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    ::SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(wnd, nullptr, TRUE);
    Fire(OnSelect, this);  // the system tells of no highlight set by the program
}

void TDirectoryListBox::KeyPress(wchar_t& key) {
    TWinControl::KeyPress(key);
    if (key == L'\r') {
        OpenItem(static_cast<int>(::SendMessageW(GetHandle(), LB_GETCURSEL, 0, 0)));
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
                OpenItem(static_cast<int>(::SendMessageW(GetHandle(), LB_GETCURSEL, 0, 0)));
                return;
            }
            if (HIWORD(m.WParam) == LBN_SELCHANGE) Fire(OnSelect, this);
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
