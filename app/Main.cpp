#include "Main.h"

#include "Application.h"
#include "DumpAccessible.h"
#include "DumpView.h"
#include "HexDump.h"
#include "StreamImages.h"
#include "StreamList.h"

namespace sondrel::app {

TMainForm::TMainForm(QWidget* parent)
    : framework::TForm(parent)
    , ImageList1(new framework::TImageList(this, 16, 16))
{
    for (int i = 0; i < kStreamKindImages; ++i)
        ImageList1->Add(StreamKindImage(i));
    setupUi(this);
    InstallDumpAccessibility(
        ScrollBox1, [this] { return streams::StreamRecord(StreamList->Selected()); });
    SetKeyPreview(true);
    SetShowHint(true);
    SetActiveControl(StreamList);
    UpBtn->SetGlyph(UpFolderGlyph());
    SpeedButton1->SetGlyph(HelpGlyph());
    StreamList->SetStateImages(ImageList1);
    framework::TListColumn* name = StreamList->Columns().Add();
    name->SetCaption(QStringLiteral("Name"));
    name->SetWidth(130);
    framework::TListColumn* size = StreamList->Columns().Add();
    size->SetCaption(QStringLiteral("Size"));
    size->SetWidth(50);
    BindHandlers();
    Loaded();
}

TMainForm::~TMainForm()
{
    // The stream records belong to the stream list's items: they go with the handlers still here.
    StreamList->Items().Clear();
}

void TMainForm::BindHandlers()
{
    using namespace std::placeholders;
    OnCreate = std::bind(&TMainForm::FormCreate, this, _1);
    SpeedButton1->OnClick = std::bind(&TMainForm::HelpContents, this, _1);
    PaintBox1->OnPaint = std::bind(&TMainForm::PaintBox1Paint, this, _1);
    StreamList->OnSelectItem = std::bind(&TMainForm::StreamListSelectItem, this, _1, _2, _3);
    StreamList->OnDeletion = std::bind(&TMainForm::StreamListDeletion, this, _1, _2);
}

void TMainForm::FormCreate(TObject*)
{
    if (framework::Application)
        framework::Application->OnHint
            = std::bind(&TMainForm::ShowHint, this, std::placeholders::_1);
}

void TMainForm::ShowHint(TObject*) { StatusLine->SetSimpleText(framework::Application->Hint()); }

void TMainForm::FileExit(TObject*) { Close(); }

void TMainForm::HelpContents(TObject*)
{
    framework::Application->HelpCommand(framework::HELP_CONTENTS, 0);
}

void TMainForm::PaintBox1Paint(TObject*)
{
    (void)streams::DumpStream(PaintBox1->Canvas(), StreamList->Selected());
}

void TMainForm::StreamListSelectItem(TObject*, TListItem* Item, bool)
{
    if (StreamList->ItemIndex() < 0)
        return;
    const std::uint32_t length = streams::DumpStream(PaintBox1->Canvas(), Item);
    PaintBox1->SetHeight(static_cast<int>(streams::DumpHeight(length)));
    StreamLabel->SetCaption(StreamList->Selected()->Caption());
}

void TMainForm::StreamListDeletion(TObject*, TListItem* Item)
{
    streams::ReleaseStreamRecord(Item);
}

} // namespace sondrel::app
