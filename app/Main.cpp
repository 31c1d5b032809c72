#include "Main.h"

#include "Application.h"
#include "DumpAccessible.h"
#include "DumpView.h"
#include "Guard.h"
#include "HexDump.h"
#include "StreamDecode.h"
#include "StreamImages.h"
#include "StreamKinds.h"
#include "StreamList.h"
#include "StreamWalk.h"

#include <QFile>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

namespace sondrel::app {

namespace {
    // The size column's width in the form; widened for sizes that would not fit.
    constexpr int kSizeColumnWidth = 50;
} // namespace

TMainForm::TMainForm(QWidget* parent)
    : framework::TForm(parent)
    , ImageList1(new framework::TImageList(this, 16, 16))
{
    for (int i = 0; i < kStreamKindImages; ++i)
        ImageList1->Add(StreamKindImage(i));
    setupUi(this);
    DecodedPane = new TDecodedPane(ScrollBox1);
    const TDumpSource selectedRecord
        = [this] { return streams::StreamRecord(StreamList->Selected()); };
    InstallDumpAccessibility(ScrollBox1, selectedRecord);
    m_dumpPane = new TDumpPane(ScrollBox1, PaintBox1, selectedRecord);
    m_streamMenu = new TStreamMenu(StreamList, ScrollBox1, *m_dumpPane, [this] {
        TStreamChoice choice;
        shell::TPTShListData* shellData = FileList->GetDataFromItem(FileList->Selected());
        TListItem* stream = StreamList->Selected();
        if (!shellData || !stream)
            return choice;
        choice.Path = shellData->GetPathName();
        choice.Index = static_cast<std::uint64_t>(stream->Index());
        choice.Info = streams::StreamRecord(stream);
        choice.Caption = stream->Caption();
        return choice;
    });
    SetKeyPreview(true);
    SetShowHint(true);
    SetActiveControl(StreamList);
    UpBtn->SetGlyph(UpFolderGlyph());
    SpeedButton1->SetGlyph(HelpGlyph());
    StreamList->SetStateImages(ImageList1);
    // A stream's kind is told to the eye by its icon only; a screen reader hears it in the name.
    StreamList->SetTipInAccessibleName(true);
    framework::TListColumn* name = StreamList->Columns().Add();
    name->SetCaption(QStringLiteral("Name"));
    name->SetWidth(130);
    framework::TListColumn* size = StreamList->Columns().Add();
    size->SetCaption(QStringLiteral("Size"));
    size->SetWidth(kSizeColumnWidth);
    // The form's links between controls: the combo drives the tree, the tree the file list.
    PTShellCombo1->SetShellTree(PTShellTree1);
    PTShellTree1->SetShellList(FileList);
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
    UpBtn->OnClick = std::bind(&TMainForm::UpBtnClick, this, _1);
    FileList->OnInsert = std::bind(&TMainForm::FileListInsert, this, _1, _2);
    FileList->OnFillComplete = std::bind(&TMainForm::FileListFillComplete, this, _1);
    FileList->OnCompare = std::bind(&TMainForm::FileListCompare, this, _1, _2, _3, _4, _5);
    FileList->OnColumnClick = std::bind(&TMainForm::FileListColumnClick, this, _1, _2);
    FileList->OnSelectItem = std::bind(&TMainForm::FileListSelectItem, this, _1, _2, _3);
    FileList->OnInfoTip = std::bind(&TMainForm::FileListInfoTip, this, _1, _2, _3);
    PaintBox1->OnPaint = std::bind(&TMainForm::PaintBox1Paint, this, _1);
    StreamList->OnSelectItem = std::bind(&TMainForm::StreamListSelectItem, this, _1, _2, _3);
    StreamList->OnDeletion = std::bind(&TMainForm::StreamListDeletion, this, _1, _2);
    StreamList->OnInfoTip = std::bind(&TMainForm::StreamListInfoTip, this, _1, _2, _3);
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

void TMainForm::FileListInsert(TObject*, TListItem* Item)
{
    if (FileList->Items().Count() == 1)
        FolderHasPath = !FileList->Folder().GetPathName().empty();
    if (!FolderHasPath)
        return;
    shell::TPTShListData* shellData = FileList->GetDataFromItem(Item);
    if (!shellData)
        return;
    const std::string path = shellData->GetPathName();
    if (path.empty())
        return;
    // The system's texts end with a line break, which would make the row (and, sorted first,
    // every row) two lines tall; the cell keeps the text without it.
    Item->SetSubItem(0,
        QString::fromStdString(
            streams::WithoutLineBreak(streams::WalkStreams(path, false, nullptr))));
}

void TMainForm::FileListFillComplete(TObject*)
{
    framework::TListColumns& columns = FileList->Columns();
    const QString streams = QStringLiteral("Streams");
    if (columns.Count() == 2 && columns[1]->Caption() == streams)
        return;
    if (FileList->Folder().GetPathName().empty())
        return;
    {
        const framework::TUpdating update(columns);
        (void)columns.Add();
        for (int i = columns.Count() - 1; i >= 2; --i)
            columns.Delete(i);
    }
    columns[1]->SetCaption(streams);
    columns[1]->SetWidth(60);
}

void TMainForm::UpBtnClick(TObject*) { FileList->GoUp(1); }

namespace {

    // A Streams cell as a number: empty and "-" are 0. A cell holding an error text (the item
    // could not be opened) counts as -1, so such items gather below every count instead of
    // failing the sort.
    long long StreamCount(const TListItem* item)
    {
        const QString text = item->SubItems().isEmpty() ? QString() : item->SubItems()[0];
        if (text.isEmpty() || text == QLatin1String("-"))
            return 0;
        bool ok = false;
        const long long count = text.toLongLong(&ok);
        return ok ? count : -1;
    }

} // namespace

void TMainForm::FileListCompare(
    TObject*, TListItem* Item1, TListItem* Item2, std::intptr_t, int& Compare)
{
    const long long first = StreamCount(Item1);
    const long long second = StreamCount(Item2);
    // The sign is what orders; a difference of two counts could overflow an int.
    const int order = (first > second) - (first < second);
    Compare = StreamSortAscending ? order : -order;
}

void TMainForm::FileListColumnClick(TObject*, framework::TListColumn* Column)
{
    if (Column->Index() == 1) {
        StreamSortAscending = !StreamSortAscending;
        FileList->SetSortColumn(0);
        if (FileList->HeaderSortColumn() == -1) {
            FileList->SetHeaderSortColumn(1);
            FileList->SetHeaderSortDirection(
                StreamSortAscending ? shell::ptsdDesc : shell::ptsdAsc);
        }
    }
    (void)FileList->AlphaSort();
}

bool TMainForm::FileListCurrentHasPath() const
{
    shell::TPTShListData* shellData = FileList->GetDataFromItem(FileList->Selected());
    return shellData && !shellData->GetPathName().empty();
}

void TMainForm::FileListSelectItem(TObject*, TListItem* Item, bool Selected)
{
    if (!Selected) {
        StreamList->Items().Clear();
        DecodedPane->Clear();
        PaintBox1->update();
        FileLabel->SetCaption(QString());
        StreamLabel->SetCaption(QString());
        return;
    }
    shell::TPTShListData* shellData = FileList->GetDataFromItem(Item);
    const std::string path = shellData ? shellData->GetPathName() : std::string();
    if (path.empty())
        return;
    StreamList->Items().Clear();
    streams::TStreamListSink sink(*StreamList);
    (void)streams::WalkStreams(path, true, &sink);
    FitSizeColumn();
    FileLabel->SetCaption(QFile::decodeName(path.c_str()));
}

namespace {

    // The tip's line that says where a downloaded item came from, or nothing.
    QString OriginLine(shell::TPTShListData* shellData)
    {
        const std::string path = shellData ? shellData->GetPathName() : std::string();
        const std::string origin = path.empty() ? std::string() : streams::PathOrigin(path);
        return origin.empty() ? QString()
                              : QStringLiteral("\nOrigin: ") + QString::fromStdString(origin);
    }

} // namespace

void TMainForm::FitSizeColumn()
{
    framework::TListColumn* size = StreamList->Columns()[1];
    if (!size)
        return;
    const QFontMetrics metrics(StreamList->font());
    int widest = 0;
    for (int i = 0; i < StreamList->Items().Count(); ++i) {
        const TListItem* item = StreamList->Items()[i];
        if (!item->SubItems().isEmpty())
            widest = std::max(widest, metrics.horizontalAdvance(item->SubItems()[0]));
    }
    // The cell's own margins, on both sides, as the style draws them.
    const int margins = 2 * (StreamList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 4);
    size->SetWidth(std::max(kSizeColumnWidth, widest + margins));
}

void TMainForm::FileListInfoTip(TObject*, TListItem* Item, QString& InfoTip)
{
    const QString count = Item->SubItems().isEmpty() ? QString() : Item->SubItems()[0];
    InfoTip = count.isEmpty() ? Item->Caption()
                              : Item->Caption() + QStringLiteral("\nStreams: ") + count;
    if (!count.isEmpty())
        InfoTip += OriginLine(FileList->GetDataFromItem(Item));
}

void TMainForm::PaintBox1Paint(TObject*)
{
    (void)streams::DumpStream(PaintBox1->Canvas(), StreamList->Selected(), m_dumpPane->Selection());
}

void TMainForm::StreamListSelectItem(TObject*, TListItem* Item, bool)
{
    if (StreamList->ItemIndex() < 0)
        return;
    if (!FileListCurrentHasPath())
        return;
    m_dumpPane->Reset();
    (void)streams::DumpStream(PaintBox1->Canvas(), Item);
    // The dump's height, with one more line where the content could not be read whole.
    PaintBox1->SetHeight(static_cast<int>(streams::DumpPaneHeight(Item)));
    StreamLabel->SetCaption(StreamList->Selected()->Caption());
    DecodedPane->ShowListed(*StreamList, Item);
    if (const streams::StreamInfo* info = streams::StreamRecord(Item))
        StatusLine->SetSimpleText(QString::fromStdString(streams::StreamKindName(*info))
            + QStringLiteral(", ") + QString::number(info->Size()) + QStringLiteral(" bytes"));
}

void TMainForm::StreamListInfoTip(TObject*, TListItem* Item, QString& InfoTip)
{
    if (const streams::StreamInfo* info = streams::StreamRecord(Item))
        InfoTip = QString::fromStdString(streams::StreamKindName(*info));
}

void TMainForm::StreamListDeletion(TObject*, TListItem* Item)
{
    DecodedPane->Forget(streams::StreamRecord(Item));
    streams::ReleaseStreamRecord(Item);
}

} // namespace sondrel::app
