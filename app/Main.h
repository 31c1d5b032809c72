#pragma once
// The main window: the folder browsing panes, the stream list and the content pane, made from
// its form description, and the window's own handlers. One per process, on the GUI thread,
// owned by the start-up code that runs the loop.

#include "Form.h"
#include "ImageList.h"
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
    void PaintBox1Paint(TObject* Sender);
    void StreamListSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void StreamListDeletion(TObject* Sender, TListItem* Item);

    framework::TImageList* ImageList1;

private:
    void BindHandlers();
};

} // namespace sondrel::app
