#include "ui/main/FindFoldersBox.h"

#include "engine/FileQueries.h"
#include "engine/Formatting.h"
#include "models/TreeSearch.h"
#include "shell/JobWait.h"
#include "shell/ShellPaths.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString FilesNotKeptText() {
    return TFindFoldersBox::tr(
        "Files were not kept by the scan (Options, \"Keep every file\"): only folders are found.");
}

QString KindText(TFileKind kind) {
    switch (kind) {
    case TFileKind::Regular:
        return TFindFoldersBox::tr("File");
    case TFileKind::Link:
        return TFindFoldersBox::tr("Link");
    case TFileKind::Other:
        break;
    }
    return TFindFoldersBox::tr("Special file");
}

bool FilesMissing(const TFolderTree& tree) {
    for (const auto& root : tree.Roots())
        if (root->Data && !FilesKeptFor(root.get()))
            return true;
    return false;
}

} // namespace

TFindFoldersBox::TFindFoldersBox(const TFolderTree& tree, QWidget* owner)
    : QDialog(owner), Tree(tree) {
    setObjectName(QStringLiteral("FindFoldersBox"));
    setWindowTitle(tr("Find Files or Folders"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(
        tr("Folders and files of the scanned drives whose name matches (* and ? as wildcards):"),
        this));
    auto* row = new QHBoxLayout;
    ediPattern = new QLineEdit(this);
    ediPattern->setObjectName(QStringLiteral("ediPattern"));
    cmdFind = new QPushButton(tr("&Find"), this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setDefault(true);
    row->addWidget(ediPattern, 1);
    row->addWidget(cmdFind);
    column->addLayout(row);
    lblNotKept = new QLabel(FilesNotKeptText(), this);
    lblNotKept->setObjectName(QStringLiteral("lblNotKept"));
    lblNotKept->setWordWrap(true);
    lblNotKept->setVisible(FilesMissing(Tree));
    column->addWidget(lblNotKept);
    lvResults = new QTreeWidget(this);
    lvResults->setObjectName(QStringLiteral("lvResults"));
    lvResults->setRootIsDecorated(false);
    lvResults->setUniformRowHeights(true);
    lvResults->setHeaderLabels(
        {tr("Name"), tr("Kind"), tr("In Folder"), tr("Size"), tr("Modified")});
    lvResults->header()->setStretchLastSection(false);
    lvResults->header()->setSectionResizeMode(ColFolder, QHeaderView::Stretch);
    lvResults->setColumnWidth(ColName, 180);
    lvResults->setColumnWidth(ColKind, 80);
    lvResults->setColumnWidth(ColSize, 90);
    lvResults->setColumnWidth(ColModified, 200);
    column->addWidget(lvResults, 1);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    column->addWidget(lblStatus);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close, this);
    column->addWidget(buttons);
    resize(820, 460);

    // The one button finds, or stops the search that runs.
    connect(cmdFind, &QPushButton::clicked, this, [this] {
        if (Search)
            Search->Stop();
        else
            Find(ediPattern->text());
    });
    connect(ediPattern, &QLineEdit::returnPressed, this, [this] {
        if (!Search)
            Find(ediPattern->text());
    });
    connect(lvResults, &QTreeWidget::itemDoubleClicked, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TFindFoldersBox::~TFindFoldersBox() {
    if (Search)
        Search->Stop();
}

void TFindFoldersBox::done(int result) {
    // Closing stops the search; Find comes back once it has.
    if (Search)
        Search->Stop();
    QDialog::done(result);
}

void TFindFoldersBox::Find(const QString& pattern) {
    if (Search)
        return;
    lvResults->clear();
    // Shared with the job: the snapshot and the hits outlive whoever waits.
    const auto snapshot = std::make_shared<const TTreeSnapshot>(TakeTreeSnapshot(Tree));
    const auto hits = std::make_shared<TSearchHits>();
    lblNotKept->setVisible(snapshot->FilesMissing);
    lblStatus->setText(tr("Searching..."));
    cmdFind->setText(tr("&Stop"));
    Search = TBackgroundJob::Start([snapshot, hits, pattern](TBackgroundJob& job) {
        *hits = SearchTree(*snapshot, pattern, MaxResults, job.StopFlag());
    });
    const std::shared_ptr<TBackgroundJob> job = Search;
    const TJobState state = WaitForJob(*job);
    Search.reset();
    cmdFind->setText(tr("&Find"));
    if (state != TJobState::Finished) {
        lblStatus->setText(tr("The search was stopped."));
        return;
    }
    job->Rethrow();
    const bool stopped = job->Stopping();

    int folders = 0;
    int files = 0;
    lvResults->setUpdatesEnabled(false);
    for (const TSearchHit& hit : hits->Hits) {
        auto* item = new QTreeWidgetItem(lvResults);
        const TSnapshotFolder& folder = snapshot->Folders[hit.Folder];
        const std::string path = snapshot->Path(hit.Folder);
        item->setData(ColName, Qt::UserRole, QByteArray::fromStdString(path));
        item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
        if (hit.IsFile()) {
            const TFileEntry& entry = folder.Files->Entry(hit.File);
            item->setText(ColName, DisplayText(folder.Files->Name(hit.File)));
            item->setText(ColKind, KindText(entry.Kind()));
            item->setText(ColFolder, DisplayPath(path));
            item->setText(ColSize, FormatSize(entry.Size()));
            item->setText(ColModified, FormatFileTime(entry.WriteFileTime()));
            ++files;
        } else {
            item->setText(ColName, DisplayText(snapshot->Name(hit.Folder)));
            item->setText(ColKind, tr("Folder"));
            item->setText(ColFolder, DisplayPath(snapshot->Path(folder.Parent)));
            item->setText(ColSize, folder.Size >= 0 ? FormatSize(folder.Size) : tr("not scanned"));
            ++folders;
        }
    }
    lvResults->setUpdatesEnabled(true);
    if (lvResults->topLevelItemCount() > 0)
        lvResults->setCurrentItem(lvResults->topLevelItem(0));
    QString status =
        tr("%1 folders and %2 files found.").arg(FormatCount(folders), FormatCount(files));
    if (hits->Truncated)
        status +=
            QLatin1Char(' ') + tr("Only the first %1 are shown.").arg(FormatCount(MaxResults));
    else if (stopped)
        status += QLatin1Char(' ') + tr("The search was stopped before its end.");
    lblStatus->setText(status);
}

void TFindFoldersBox::Choose() {
    const QTreeWidgetItem* item = lvResults->currentItem();
    if (!item)
        return;
    Chosen = item->data(ColName, Qt::UserRole).toByteArray().toStdString();
    accept();
}
