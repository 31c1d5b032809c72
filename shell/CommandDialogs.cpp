#include "CommandDialogs.h"

#include "ShellMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace sondrel::shell {

namespace {

    QString Shown(const std::string& bytes)
    {
        return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }

    QString NameOf(const BytePath& path) { return Shown(path.substr(path.rfind('/') + 1)); }
    QString FolderOf(const BytePath& path)
    {
        const std::size_t slash = path.rfind('/');
        return Shown(slash == 0 ? BytePath("/") : path.substr(0, slash));
    }

    QWidget* Owner() { return QApplication::activeWindow(); }

    // A box with the given buttons and a "for all" check; the index of the button clicked
    // (the last, the safe one, when the box was closed).
    int Ask(const QString& title, const QString& text, const QStringList& buttons,
        const QString& forAllText, bool& forAll)
    {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, Owner());
        std::vector<QPushButton*> pushed;
        for (const QString& label : buttons)
            pushed.push_back(box.addButton(label, QMessageBox::ActionRole));
        box.setEscapeButton(pushed.back());
        box.setDefaultButton(pushed.front());
        auto* check = new QCheckBox(forAllText, &box);
        box.setCheckBox(check);
        box.exec();
        forAll = check->isChecked();
        for (std::size_t i = 0; i < pushed.size(); ++i)
            if (box.clickedButton() == pushed[i])
                return static_cast<int>(i);
        return static_cast<int>(pushed.size()) - 1;
    }

    // Questions asked by the worker, answered in boxes on the GUI thread; the worker waits.
    class GuiQuestions : public fileops::Questions
    {
    public:
        explicit GuiQuestions(QObject* context)
            : m_context(context)
        {
        }

        fileops::Answer<fileops::ClashAction> OnClash(const fileops::Clash& clash) override
        {
            using fileops::ClashAction;
            fileops::Answer<ClashAction> answer { ClashAction::Cancel };
            OnGui([&] {
                const bool folders = clash.SourceIsFolder && clash.TargetIsFolder;
                const QString text = QStringLiteral("\"%1\" already exists in %2.")
                                         .arg(NameOf(clash.Target), FolderOf(clash.Target));
                static constexpr ClashAction kOrder[] = { ClashAction::Skip, ClashAction::KeepBoth,
                    ClashAction::Replace, ClashAction::Cancel };
                const int chosen = Ask(QStringLiteral("Name Clash"), text,
                    { QStringLiteral("Skip"), QStringLiteral("Keep Both"),
                        folders ? QStringLiteral("Merge") : QStringLiteral("Replace"),
                        QStringLiteral("Cancel") },
                    QStringLiteral("Do the same for every clash"), answer.ForAll);
                answer.Choice = kOrder[chosen];
            });
            return answer;
        }

        fileops::Answer<fileops::LossAction> OnStreamsLost(const BytePath& source,
            const BytePath& target, const std::vector<std::string>& streams) override
        {
            using fileops::LossAction;
            fileops::Answer<LossAction> answer { LossAction::Cancel };
            OnGui([&] {
                QStringList names;
                for (const std::string& name : streams)
                    names << Shown(name.substr(name.find('.') + 1));
                const QString text
                    = QStringLiteral("The file system of %1 cannot hold the named streams of "
                                     "\"%2\" (%3). Copy it without them? (A move then keeps "
                                     "the original.)")
                          .arg(FolderOf(target), NameOf(source), names.join(QStringLiteral(", ")));
                static constexpr LossAction kOrder[]
                    = { LossAction::DropStreams, LossAction::Skip, LossAction::Cancel };
                const int chosen = Ask(QStringLiteral("Named Streams"), text,
                    { QStringLiteral("Copy Without Streams"), QStringLiteral("Skip"),
                        QStringLiteral("Cancel") },
                    QStringLiteral("Do the same for every such item"), answer.ForAll);
                answer.Choice = kOrder[chosen];
            });
            return answer;
        }

        fileops::Answer<fileops::ErrorAction> OnError(const fileops::Failure& failure) override
        {
            using fileops::ErrorAction;
            fileops::Answer<ErrorAction> answer { ErrorAction::Cancel };
            OnGui([&] {
                const QString text = QStringLiteral("%1\n\n%2")
                                         .arg(Shown(failure.Path),
                                             QString::fromStdString(fileops::FailureText(failure)));
                const int chosen = Ask(QStringLiteral("Error"), text,
                    { QStringLiteral("Skip"), QStringLiteral("Cancel") },
                    QStringLiteral("Skip every error"), answer.ForAll);
                answer.Choice = chosen == 0 ? ErrorAction::Skip : ErrorAction::Cancel;
            });
            return answer;
        }

        // A box is open on the GUI thread now.
        [[nodiscard]] bool Asking() const { return m_asking; }

    private:
        template <class F> void OnGui(F&& body)
        {
            QMetaObject::invokeMethod(
                m_context,
                [this, &body] {
                    m_asking = true;
                    const QScopeGuard asked([this] { m_asking = false; });
                    body();
                },
                Qt::BlockingQueuedConnection);
        }

        QObject* m_context;
        bool m_asking = false; // the GUI thread's
    };

    QString Bytes(std::uint64_t bytes)
    {
        return QLocale().formattedDataSize(static_cast<qint64>(bytes));
    }

    QString Time(const timespec& time)
    {
        return QLocale().toString(
            QDateTime::fromMSecsSinceEpoch(time.tv_sec * 1000 + time.tv_nsec / 1000000),
            QLocale::LongFormat);
    }

    platform::CommandUi* s_installed = nullptr;

} // namespace

TProgressDialog::TProgressDialog(const QString& title, fileops::Progress& progress, QWidget* parent)
    : QDialog(parent)
    , m_progress(progress)
    , m_current(new QLabel(this))
    , m_counts(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_timer(new QTimer(this))
{
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_current->setTextFormat(Qt::PlainText);
    m_current->setMinimumWidth(360);
    layout->addWidget(m_current);
    layout->addWidget(m_bar);
    layout->addWidget(m_counts);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &TProgressDialog::reject);
    layout->addWidget(buttons);
    m_bar->setRange(0, 1000);
    connect(m_timer, &QTimer::timeout, this, &TProgressDialog::UpdateFromProgress);
    m_timer->start(100);
    UpdateFromProgress();
}

void TProgressDialog::UpdateFromProgress()
{
    const fileops::ProgressSnapshot now = m_progress.Snapshot();
    m_current->setText(Shown(now.Current));
    m_counts->setText(QStringLiteral("%1 of %2 items, %3 of %4")
                          .arg(now.ItemsDone)
                          .arg(now.ItemsTotal)
                          .arg(Bytes(now.BytesDone), Bytes(now.BytesTotal)));
    const double share = now.BytesTotal > 0
        ? static_cast<double>(now.BytesDone) / static_cast<double>(now.BytesTotal)
        : (now.ItemsTotal > 0
                ? static_cast<double>(now.ItemsDone) / static_cast<double>(now.ItemsTotal)
                : 0.0);
    m_bar->setValue(static_cast<int>(std::min(share, 1.0) * 1000));
}

void TProgressDialog::reject()
{
    m_progress.Cancel();
    m_current->setText(QStringLiteral("Cancelling…"));
}

fileops::Outcome TShellCommandUi::RunWithProgress(const std::string& title, const Work& work)
{
    fileops::Progress progress;
    TProgressDialog dialog(QString::fromStdString(title), progress, Owner());
    GuiQuestions questions(&dialog);
    fileops::Outcome outcome;
    std::exception_ptr failure;
    std::atomic<bool> done { false };
    QEventLoop loop;
    std::thread worker([&] {
        try {
            outcome = work(questions, progress);
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // A question asked before the dialog is due keeps it back: shown then, the modal dialog
    // would cover the box the worker waits on.
    std::function<void()> showUnlessDone = [&] {
        if (done.load())
            return;
        if (questions.Asking())
            QTimer::singleShot(100, &dialog, showUnlessDone);
        else
            dialog.show();
    };
    QTimer::singleShot(ShowDelay, &dialog, showUnlessDone);
    loop.exec();
    worker.join();
    dialog.hide();
    if (failure)
        std::rethrow_exception(failure);
    return outcome;
}

bool TShellCommandUi::Confirm(const std::string& title, const std::string& text)
{
    return QMessageBox::question(Owner(), QString::fromStdString(title),
               QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void TShellCommandUi::Tell(const std::string& title, const std::string& text)
{
    QMessageBox::information(Owner(), QString::fromStdString(title), QString::fromStdString(text));
}

win32::UINT TShellCommandUi::ChooseFromMenu(const platform::MenuModel& menu)
{
    return TrackMenuModel(menu, Owner(), QCursor::pos());
}

void TShellCommandUi::ShowProperties(const platform::ItemProperties& item)
{
    QDialog* dialog = MakePropertiesDialog(item, Owner());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

QDialog* MakePropertiesDialog(const platform::ItemProperties& item, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QStringLiteral("Properties of %1").arg(Shown(item.Name)));
    auto* form = new QFormLayout;
    auto row = [&](const QString& label, const QString& value) {
        auto* text = new QLabel(value, dialog);
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setObjectName(label);
        form->addRow(label + QLatin1Char(':'), text);
    };
    row(QStringLiteral("Name"), Shown(item.Name));
    if (!item.Error.empty()) {
        row(QStringLiteral("Error"), QString::fromStdString(item.Error).trimmed());
    } else {
        row(QStringLiteral("Type"), QString::fromStdString(item.Type));
        row(QStringLiteral("Location"), Shown(item.Location));
        if (!item.Folder)
            row(QStringLiteral("Size"),
                QStringLiteral("%1 (%2 bytes), %3 on disk")
                    .arg(Bytes(item.Size), QLocale().toString(static_cast<qulonglong>(item.Size)),
                        Bytes(item.Allocated)));
        if (item.Link)
            row(QStringLiteral("Link to"), Shown(item.LinkTarget));
        row(QStringLiteral("Modified"), Time(item.Modified));
        row(QStringLiteral("Accessed"), Time(item.Accessed));
        row(QStringLiteral("Changed"), Time(item.Changed));
        row(QStringLiteral("Owner"), QString::fromStdString(item.Owner));
        row(QStringLiteral("Group"), QString::fromStdString(item.Group));
        row(QStringLiteral("Mode"),
            QStringLiteral("%1 (%2)")
                .arg(QString::fromStdString(item.ModeText))
                .arg(item.Mode & 07777, 4, 8, QLatin1Char('0')));
        row(QStringLiteral("File system"),
            QStringLiteral("%1 on %2")
                .arg(QString::fromStdString(item.FileSystem), Shown(item.MountPoint)));
        row(QStringLiteral("Streams"),
            item.StreamCount >= 0 ? QString::number(item.StreamCount)
                                  : QStringLiteral("cannot be counted"));
    }
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog;
}

namespace {

    std::function<void(const std::string&)> s_showFolder;

} // namespace

std::string TShellCommandUi::ChooseImageFile()
{
    const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(),
        QStringLiteral("Open disk image"), QString(),
        QStringLiteral("Disk images (*.E01 *.e01 *.dd *.img *.raw *.001);;All files (*)"));
    return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen).toStdString();
}

void TShellCommandUi::ShowFolder(const BytePath& path)
{
    if (s_showFolder)
        s_showFolder(path);
}

void SetShowFolderHandler(std::function<void(const std::string& path)> handler)
{
    s_showFolder = std::move(handler);
}

void InstallShellCommandUi()
{
    static TShellCommandUi ui;
    if (s_installed == nullptr) {
        s_installed = &ui;
        platform::InstallCommandUi(&ui);
    }
}

} // namespace sondrel::shell
