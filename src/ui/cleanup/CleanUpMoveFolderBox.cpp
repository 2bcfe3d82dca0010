#include "ui/cleanup/CleanUpMoveFolderBox.h"

#include "cleanup/FolderMove.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/VolumeInfo.h"
#include "models/MoveSuggestions.h"
#include "platform/VolumeStat.h"
#include "settings/Product.h"
#include "shell/DriveLists.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/cleanup/FolderListBox.h"
#include "ui/cleanup/MoveProgressBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

QString ProductCaption() {
    return QString::fromLatin1(ProductTitle);
}

// The drive of a path among the drives the pickers list, else the mount
// table's answer, so that a folder on a drive no picker shows still has one.
std::string DriveRootHolding(const std::vector<Platform::TDrive>& drives, const std::string& path) {
    const int index = IndexOfDriveHolding(drives, path);
    return index >= 0 ? drives[static_cast<std::size_t>(index)].RootPath
                      : Platform::DriveRootOf(path);
}

// MoveRefusal looks at both places, and either may be on a share that no
// longer answers: the window asks on the probe thread and waits a while.
std::string TimedMoveRefusal(const Platform::TScannedItem& source, const std::string& target) {
    Platform::TProbeOutput out;
    const Platform::TProbeResult result = Platform::RunProbe(
        "move-refusal:" + Platform::PathOf(source) + "\n" + target,
        [source, target] {
            Platform::TProbeOutput refusal;
            refusal.Names.push_back(MoveRefusal(source, target));
            return refusal;
        },
        Platform::SlowDriveTimeoutMs, out);
    if (result != Platform::TProbeResult::Ok || out.Names.empty())
        return "The folder or the new location does not answer. The network connection may be "
               "down.";
    return out.Names.front();
}

} // namespace

TCleanUpMoveFolderBox::TCleanUpMoveFolderBox(QWidget* owner)
    : QDialog(owner), ClusterSizeOfRoot(ClusterSizeOf) {
    setObjectName(QStringLiteral("CleanUpMoveFolderBox"));
    setWindowTitle(tr("Move Folder"));

    capFolderSource = new QLabel(tr("Move folder:"), this);
    capFolderSource->setObjectName(QStringLiteral("capFolderSource"));
    ediFolderSource = new QLineEdit(this);
    ediFolderSource->setObjectName(QStringLiteral("ediFolderSource"));
    ediFolderSource->setReadOnly(true);
    // Grey like a disabled edit, yet its text can still be selected and copied.
    QPalette grey = ediFolderSource->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    ediFolderSource->setPalette(grey);
    capFolderTarget = new QLabel(tr("To the following &new location:"), this);
    capFolderTarget->setObjectName(QStringLiteral("capFolderTarget"));
    ediFolderTarget = new QLineEdit(this);
    ediFolderTarget->setObjectName(QStringLiteral("ediFolderTarget"));
    capFolderTarget->setBuddy(ediFolderTarget);

    lbFolders = new TFolderListBox(this);
    lbFolders->setObjectName(QStringLiteral("lbFolders"));
    lbFolders->setMinimumSize(240, 200);
    cbDrives = new TPlainDrivePicker(this);
    cbDrives->setObjectName(QStringLiteral("cbDrives"));

    txtWastedOnSource = new QLabel(this);
    txtWastedOnSource->setObjectName(QStringLiteral("txtWastedOnSource"));
    txtWastedOnSource->setWordWrap(true);
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* advice = new QLabel(tr("You should move the folder to one of the following drives, as "
                                 "they have smaller cluster sizes:"),
                              GroupBox1);
    advice->setWordWrap(true);
    lvWasting = new QTreeWidget(GroupBox1);
    lvWasting->setObjectName(QStringLiteral("lvWasting"));
    lvWasting->setRootIsDecorated(false);
    lvWasting->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvWasting->setSelectionMode(QAbstractItemView::SingleSelection);
    lvWasting->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvWasting->setSortingEnabled(false);
    lvWasting->setHeaderLabels({tr("Drive"), tr("Cluster"), tr("You gain")});
    lvWasting->header()->setSectionsClickable(false);
    lvWasting->header()->setStretchLastSection(false);
    lvWasting->setColumnWidth(0, 100);
    lvWasting->setColumnWidth(2, 120);
    // Drive names here carry their root path and run longer than letters
    // did: the name takes the room the figures leave, rather than pushing
    // the gain out of sight.
    lvWasting->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvWasting->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvWasting->setMinimumWidth(340);
    // What tells two drives apart is as often the end of the root path as
    // the name; the whole of it is the row's tooltip.
    lvWasting->setTextElideMode(Qt::ElideMiddle);

    txtNote = new QLabel(tr("Note: If the folder contains an installed application, you should "
                            "uninstall the application and install it to the new location. Some "
                            "folders can also be moved by the application that uses them."),
                         this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setWordWrap(true);
    txtNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtImportant = new QLabel(tr("IMPORTANT: Before moving the folder, make sure that all "
                                 "applications that use it will continue to work properly even "
                                 "if you move the folder."),
                              this);
    txtImportant->setObjectName(QStringLiteral("txtImportant"));
    txtImportant->setWordWrap(true);
    QFont bold = txtImportant->font();
    bold.setBold(true);
    txtImportant->setFont(bold);

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(tr("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdHelp = new QPushButton(tr("Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setAutoDefault(false);

    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(advice);
    group->addWidget(lvWasting, 1);

    auto* pickers = new QVBoxLayout;
    pickers->addWidget(lbFolders, 1);
    pickers->addWidget(cbDrives);
    auto* wasting = new QVBoxLayout;
    wasting->addWidget(txtWastedOnSource);
    wasting->addWidget(GroupBox1, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(pickers, 1);
    middle->addLayout(wasting, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(capFolderSource);
    layout->addWidget(ediFolderSource);
    layout->addSpacing(6);
    layout->addWidget(capFolderTarget);
    layout->addWidget(ediFolderTarget);
    layout->addLayout(middle, 1);
    layout->addWidget(txtNote);
    layout->addWidget(txtImportant);
    layout->addLayout(buttons);

    connect(cbDrives, &TPlainDrivePicker::OnChange, this, &TCleanUpMoveFolderBox::cbDrivesChange);
    connect(lbFolders, &TFolderListBox::OnChange, this, &TCleanUpMoveFolderBox::lbFoldersChange);
    connect(lvWasting, &QTreeWidget::itemSelectionChanged, this,
            &TCleanUpMoveFolderBox::lvWastingChange);
    connect(ediFolderTarget, &QLineEdit::textChanged, this,
            &TCleanUpMoveFolderBox::ediFolderTargetChange);
    connect(cmdOK, &QPushButton::clicked, this, &TCleanUpMoveFolderBox::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdHelp, &QPushButton::clicked, this, &TCleanUpMoveFolderBox::cmdHelpClick);

    resize(780, 500);
    FormCreate();
}

void TCleanUpMoveFolderBox::FormCreate() {
    // The pickers start where the program was started from, as a file
    // manager opened there would; cbDrivesChange opens that folder.
    const std::string current = AbsolutePath(".");
    if (!current.empty())
        cbDrives->SetDrive(DriveText(DriveRootHolding(cbDrives->Drives(), current)));
    CenterOverMainWindow(parentWidget() ? parentWidget()->window() : nullptr, this);
}

void TCleanUpMoveFolderBox::SetSource(const std::string& path,
                                      std::optional<Platform::TScannedItem> scanned) {
    Source = path;
    SourceItem = scanned ? *scanned : Platform::ItemAtPath(path);
    ediFolderSource->setText(DisplayPath(path));
    // The proposal is the chosen folder plus the source's name, so it
    // changes with the source.
    lbFoldersChange();
}

void TCleanUpMoveFolderBox::SetWastedOnSource(std::int64_t wasted) {
    txtWastedOnSource->setText(
        tr("This folder is wasting %1 on the drive where is located.").arg(FormatSize(wasted)));
}

void TCleanUpMoveFolderBox::FillWastingList(const TFolderSize& record, int whatIfIndex) {
    lvWasting->clear();
    const std::vector<Platform::TDrive> drives = CurrentDrives();
    for (const TMoveSuggestion& suggestion : MoveSuggestions(
             record, whatIfIndex, drives, DriveRootHolding(drives, Source), ClusterSizeOfRoot)) {
        auto* item = new QTreeWidgetItem(lvWasting);
        item->setIcon(0, DriveIcon(suggestion.Drive.Type));
        item->setText(0, DriveText(suggestion.Drive.DisplayName));
        item->setToolTip(0, DriveText(suggestion.Drive.DisplayName));
        item->setData(0, DriveRootRole, DriveText(suggestion.Drive.RootPath));
        item->setText(1, FormatSize32(suggestion.ClusterSize));
        item->setText(2, FormatSize(suggestion.Gain));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    lvWasting->setCurrentItem(nullptr);
    lvWasting->clearSelection();
}

std::string TCleanUpMoveFolderBox::TargetPath() const {
    const QString text = ediFolderTarget->text();
    return text == ProposedText ? ProposedTarget : PathBytes(text);
}

void TCleanUpMoveFolderBox::cbDrivesChange() {
    if (RevertingDrive)
        return;
    const std::optional<Platform::TDrive> drive = cbDrives->SelectedDrive();
    if (!drive)
        return;
    int error = 0;
    if (!lbFolders->SetDrive(drive->RootPath, error)) {
        TMessageBox::Error(this, ProductCaption(),
                           DriveText(drive->RootPath) +
                               tr(": is not accessible. The drive door may not be closed or the "
                                  "network connection may be down. Please try to correct this "
                                  "error and retry."));
        RevertingDrive = true;
        cbDrives->SetDrive(DriveText(lbFolders->Drive()));
        RevertingDrive = false;
        lbFoldersChange();
        return;
    }
    // The drive the program was started from opens at that folder again.
    const std::string current = AbsolutePath(".");
    if (!current.empty() && Platform::IsPathPrefix(drive->RootPath, current) &&
        DriveRootHolding(cbDrives->Drives(), current) == drive->RootPath)
        lbFolders->SetFolder(current);
    lbFoldersChange();
}

void TCleanUpMoveFolderBox::lbFoldersChange() {
    const std::string folder = lbFolders->Folder();
    if (folder.empty() || Source.empty())
        return;
    ProposedTarget = IncludeTrailingBackslash(folder) + LastComponent(Source);
    ProposedText = DisplayPath(ProposedTarget);
    ediFolderTarget->setText(ProposedText);
    // setText reports no change for an equal text, yet the bytes behind it
    // may differ.
    ediFolderTargetChange();
}

void TCleanUpMoveFolderBox::lvWastingChange() {
    const QList<QTreeWidgetItem*> selected = lvWasting->selectedItems();
    if (selected.isEmpty())
        return;
    cbDrives->SetDrive(selected.first()->data(0, DriveRootRole).toString());
}

void TCleanUpMoveFolderBox::ediFolderTargetChange() {
    // Byte for byte: another letter case is another folder here.
    cmdOK->setEnabled(TargetPath() != Source);
}

void TCleanUpMoveFolderBox::cmdOKClick() {
    const std::string target = ExcludeTrailingBackslash(TargetPath());
    std::string refusal;
    if (target.empty() || target[0] != '/')
        refusal = "The new location must be a full path, beginning with \"/\".";
    else
        refusal = TimedMoveRefusal(SourceItem, target);
    if (!refusal.empty()) {
        // The dialog stays, so that another place can be chosen.
        TMessageBox::Error(this, ProductCaption(), DisplayText(refusal));
        return;
    }
    if (RunMove(target))
        accept();
}

bool TCleanUpMoveFolderBox::RunMove(const std::string& target) {
    const auto move = std::make_shared<TFolderMove>(SourceItem, target);
    TMoveProgressBox progress(move, this);
    progress.exec();
    if (progress.GaveUp()) {
        // Waiting for the move would freeze the window until the drive
        // answers, perhaps for ever; its job keeps it until it ends.
        const bool copied = progress.LastPhase() == TMovePhase::RemovingSource;
        TMessageBox::Error(
            this, ProductCaption(),
            tr("A drive is not answering, so the move was left to end on its own.") +
                QLatin1Char(' ') +
                (copied ? tr("The folder was copied whole to \"%1\"; what is left of the "
                             "original stays.")
                              .arg(DisplayPath(target))
                        : tr("Nothing was moved. The partial copy is removed when the move "
                             "ends, or else by the next move.")));
        return copied;
    }
    const TMoveResult& result = move->Result();
    switch (result.Outcome) {
    case TMoveOutcome::Moved:
        return true;
    case TMoveOutcome::MovedIncomplete: {
        QString details;
        for (const Platform::TDeleteFailure& failure : result.LeftBehind)
            details += DisplayPath(failure.Path) + QStringLiteral(": ") +
                       DisplayText(failure.Reason) + QLatin1Char('\n');
        if (result.LeftBehindCount > result.LeftBehind.size())
            details +=
                tr("... and %1 more\n").arg(result.LeftBehindCount - result.LeftBehind.size());
        QString text = result.Failure
                           ? DisplayText(result.Failure->Describe())
                           : tr("The folder was copied whole, but some of the original could "
                                "not be removed.");
        text += QStringLiteral("\n\n");
        if (result.LeftBehindCount == 0)
            text += tr("The copy is at \"%1\".").arg(DisplayPath(target));
        else
            text +=
                tr("The copy is at \"%1\"; %2 remained at \"%3\".")
                    .arg(DisplayPath(target),
                         result.LeftBehindCount == 1 ? tr("one item")
                                                     : tr("%1 items").arg(result.LeftBehindCount),
                         DisplayPath(Source));
        TMessageBox::Error(this, ProductCaption(), text, details);
        return true;
    }
    case TMoveOutcome::NotMoved:
        TMessageBox::Error(this, ProductCaption(),
                           result.Failure ? DisplayText(result.Failure->Describe())
                                          : tr("The folder could not be moved."));
        return false;
    case TMoveOutcome::Stopped:
        // A failure here says that a partial copy could not be cleared away.
        TMessageBox::Information(
            this, ProductCaption(),
            tr("The move was stopped.") + QLatin1Char(' ') + tr("Nothing was moved.") +
                (result.Failure ? QLatin1Char(' ') + DisplayText(result.Failure->Describe())
                                : QString()));
        return false;
    }
    return false;
}

void TCleanUpMoveFolderBox::cmdHelpClick() {
    ShowHelp(HelpMoveFolder, this);
}
