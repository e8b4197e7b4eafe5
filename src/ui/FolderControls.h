// The drive box and the folder list of a folder chooser, linked: choosing a
// drive in the box shows that drive's folders in the list, and the list
// opening a folder on another drive moves the box to that drive.
//
// The folder list shows the path from the drive's root down to its current
// folder (open-folder pictures, each level indented one step further), then
// the current folder's sub-folders (closed-folder pictures) in name order
// without regard to letter case. A click highlights a row; a double click,
// or Enter, opens the folder under the highlight. The list never changes the process's current folder,
// and a folder that cannot be read just shows no sub-folders.
#pragma once

#include <string>
#include <vector>

#include "ui/ComboBox.h"

class TDirectoryListBox;

// Pure rules of folder paths (backslashes; "D:\" and "\\server\share" roots).
namespace folders {
// A folder path as the list keeps it: no trailing backslash except at a
// drive's root ("D:\"), which always has one.
std::string Normalize(const std::string& path);
// The levels from the root down: "D:\Temp\Old" gives "D:\", "Temp", "Old".
std::vector<std::string> Levels(const std::string& path);
std::string Join(const std::string& folder, const std::string& name);
// The drive letter of a path, upper case, or 0 when it has none.
char DriveOf(const std::string& path);
// Sorts names as the list shows them: without regard to letter case.
void SortNames(std::vector<std::string>& names);
// The wildcard that lists a folder (a full path): the folder and "\*", with
// the "\\?\" prefix when it is too long for the system to take otherwise.
std::wstring ListingPattern(const std::wstring& folder);
}  // namespace folders

class TDriveComboBox : public TCustomComboBox {
public:
    explicit TDriveComboBox(TComponent* owner);
    ~TDriveComboBox() override;

    // The selected drive's letter, upper case.
    char GetDrive() const { return drive_; }
    void SetDrive(char drive);
    TDirectoryListBox* GetDirList() const { return dirList_; }
    void SetDirList(TDirectoryListBox* list);
    // The letters of the drives in the list, in its order.
    const std::vector<char>& GetDrives() const { return drives_; }
    // Reads the system's drives again (the list does so when it drops down).
    void UpdateDrives();

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void Change() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDirectoryListBox;
    std::vector<char> drives_;
    std::vector<int> driveIcons_;
    DWORD driveMask_ = 0;
    char drive_ = 0;
    TDirectoryListBox* dirList_ = nullptr;
};

class TDirectoryListBox : public TWinControl {
public:
    explicit TDirectoryListBox(TComponent* owner);
    ~TDirectoryListBox() override;

    // The current folder: full path, no trailing backslash except at a
    // drive's root.
    const std::string& GetDirectory() const { return directory_; }
    void SetDirectory(const std::string& path);
    char GetDrive() const { return folders::DriveOf(directory_); }
    // Shows the drive's current folder (its root unless the process has been
    // in a folder of it).
    void SetDrive(char drive);
    int GetItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);

    // The rows as shown: their count, full paths and whether each is a level
    // of the current folder's path (open) or one of its sub-folders.
    int GetItemCount() const { return static_cast<int>(entries_.size()); }
    std::string GetItemPath(int index) const;
    // Opens the folder of a row, as a double click on it does.
    void OpenItem(int index);
    // The full path of the row the user has highlighted (a click or the
    // arrow keys), which may differ from the open folder; the open folder
    // when no row is highlighted.
    std::string GetSelectedPath() const;

    // The open folder changed.
    TNotifyEvent OnChange;
    // The highlighted row changed (also when a folder is opened).
    TNotifyEvent OnSelect;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void KeyPress(wchar_t& key) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDriveComboBox;
    struct Entry {
        std::string Name;
        std::string Path;
        int Level;
        bool Open;
    };
    // Shows a folder given by its full path, taken as it is.
    void ShowDirectory(const std::string& full);
    void ReadEntries();
    void FillWindow();
    void DrawEntry(const DRAWITEMSTRUCT& item);

    std::string directory_;
    int itemHeight_ = 16;
    std::vector<Entry> entries_;
    TDriveComboBox* driveCombo_ = nullptr;
};
