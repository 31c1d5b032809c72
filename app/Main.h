#pragma once
// The main window: the folder browsing panes, the stream list and the content pane, made from
// its form description, and the window's own handlers. One per process, on the GUI thread,
// owned by the start-up code that runs the loop.

#include "DecodedPane.h"
#include "DumpPane.h"
#include "Form.h"
#include "ImageList.h"
#include "ShellList.h"
#include "StreamMenu.h"
#include "ui_MainForm.h"

namespace sondrel::app {

using framework::TListItem;
using framework::TObject;

class TMainForm : public framework::TForm, public Ui::TMainForm
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Handlers, bound to their controls' events when the form is made.
    void FormCreate(TObject* Sender);
    void ShowHint(TObject* Sender);
    void FileExit(TObject* Sender);
    void HelpContents(TObject* Sender);
    void FileListInsert(TObject* Sender, TListItem* Item);
    void FileListFillComplete(TObject* Sender);
    void UpBtnClick(TObject* Sender);
    void FileListCompare(
        TObject* Sender, TListItem* Item1, TListItem* Item2, std::intptr_t Data, int& Compare);
    void FileListColumnClick(TObject* Sender, framework::TListColumn* Column);
    void FileListSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void FileListInfoTip(TObject* Sender, TListItem* Item, QString& InfoTip);
    void PaintBox1Paint(TObject* Sender);
    void StreamListSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void StreamListDeletion(TObject* Sender, TListItem* Item);
    void StreamListInfoTip(TObject* Sender, TListItem* Item, QString& InfoTip);

    // Shows a folder given to the program, or a file's folder with the file selected (and so its
    // streams listed). Throws the system's message, after the path, when it cannot be opened.
    // A disk image shows its first NTFS volume's drive under Computer.
    void OpenPath(const std::string& path);
    // Opens `path` as a disk image and shows its first drive; false when the file is no image
    // (nor named as one). Throws the library's reason when an image cannot be read.
    bool OpenImage(const std::string& path);
    // Shows a drive just added under Computer (one of a disk image).
    void ShowDrive(const std::string& mountPoint);

    framework::TImageList* ImageList1;
    // The content pane's decoded view of the selected stream, above the dump.
    TDecodedPane* DecodedPane;

    // Selection, copying, go to and find inside the content pane.
    [[nodiscard]] TDumpPane& DumpPane() const { return *m_dumpPane; }
    // The commands on the selected stream.
    [[nodiscard]] TStreamMenu& StreamMenu() const { return *m_streamMenu; }

private:
    void BindHandlers();
    // The file list's current item has a file-system path: only then are its streams shown.
    [[nodiscard]] bool FileListCurrentHasPath() const;
    // Widens the size column so that the longest size shows whole.
    void FitSizeColumn();

    // The folder being filled has a file-system path, so its items get stream counts.
    bool FolderHasPath = false;
    // The Streams column sorts by increasing count.
    bool StreamSortAscending = false;
    TDumpPane* m_dumpPane;
    TStreamMenu* m_streamMenu;
};

} // namespace sondrel::app
