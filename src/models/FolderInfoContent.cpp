// The texts of the folder information and wasted space pages, from a node's
// record through the formatting functions.
#include "models/FolderInfoContent.h"

#include "engine/Formatting.h"
#include "engine/PieArithmetic.h"
#include "models/FolderTreeModel.h"
#include "models/SubfolderList.h"
#include "platform/DirReader.h"
#include "snapshot/ReadErrors.h"

#include <QCoreApplication>
#include <QMimeDatabase>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("FolderInfoContent", text);
}

TFigureText SizeFigure(std::int64_t bytes) {
    return {FormatSize(bytes), FormatBytes(bytes)};
}

TFigureText ObjectsFigure(std::uint32_t files, std::uint32_t folders) {
    // Summed in 64 bits: two full 32-bit counts must not wrap.
    const std::int64_t total = std::int64_t{files} + std::int64_t{folders};
    return {FormatCount64(total), FormatCount64(files) + Tr(" file(s) and ") +
                                      FormatCount64(folders) + Tr(" subfolder(s)")};
}

TFolderFigures Figures(std::int64_t size, std::int64_t wasted, std::uint32_t files,
                       std::uint32_t folders) {
    return {SizeFigure(size), SizeFigure(wasted + size), SizeFigure(wasted),
            ObjectsFigure(files, folders)};
}

QString FileTimeOrUnknown(std::uint64_t time) {
    const QString unknown = Tr("(unknown)");
    if (IsZeroFileTime(time))
        return unknown;
    const QString text = FormatFileTime(time);
    return text.isEmpty() ? unknown : text;
}

struct TWastedSize {
    const char* Caption;
    const char* PanelHint;
};

// Indexed like AltClusterSizes, from 1.
const TWastedSize WastedSizes[AltClusterCount + 1] = {
    {"", ""},
    {"0.5K", "high density floppy disks"},
    {"2K", "CD-ROMs"},
    {"4K", "FAT (128 MB - 255 MB), FAT32 (less than 8 GB)"},
    {"8K", "FAT (256 MB - 511 MB), FAT32 (8 GB - 16 GB)"},
    {"16K", "FAT (512 MB - 1023 MB), FAT32 (16 GB - 32 GB)"},
    {"32K", "FAT (1 GB - 2 GB), FAT32 (32 GB or more)"},
    {"64K", ""},
};

} // namespace

QString TreeFiguresHeading() {
    return Tr("Tree (Folder + Subfolders)");
}
QString FolderFiguresHeading() {
    return Tr("Folder");
}
QString SizeCaption() {
    return Tr("Size:");
}
QString AllocatedCaption() {
    return Tr("Allocated:");
}
QString WastedCaption() {
    return Tr("Wasted:");
}
QString ObjectsCaption() {
    return Tr("Objects:");
}

std::array<QString, FolderInfoRowCount> FolderInfoCaptions() {
    static const char* const captions[FolderInfoRowCount] = {"Long name",
                                                             "MS-DOS name",
                                                             "Last access date",
                                                             "Last change date",
                                                             "Creation date",
                                                             "Attributes",
                                                             "",
                                                             "Read-Only files",
                                                             "Hidden files",
                                                             "System files",
                                                             "Compressed files"};
    std::array<QString, FolderInfoRowCount> out;
    for (std::size_t r = 0; r < out.size(); ++r)
        out[r] = captions[r][0] ? Tr(captions[r]) : QString();
    return out;
}

QString AttributeNames(std::uint32_t attributes) {
    struct TName {
        std::uint32_t Bit;
        const char* Name;
    };
    static const TName names[] = {{AttrArchive, "Archive"},
                                  {AttrReadOnly, "ReadOnly"},
                                  {AttrHidden, "Hidden"},
                                  {AttrSystem, "System"},
                                  {AttrDirectory, "Directory"}};
    QString text;
    for (const TName& n : names) {
        if ((attributes & n.Bit) == 0)
            continue;
        if (!text.isEmpty())
            text += QStringLiteral(" + ");
        text += QLatin1String(n.Name);
    }
    return text;
}

QString AttributeLine(std::uint32_t attributesOr, std::uint32_t bit, const QString& name) {
    if (attributesOr & bit)
        return Tr("The folder contains ") + name + Tr(" files");
    return Tr("No ") + name + Tr(" files");
}

QString FolderTypeName() {
    // The desktop's own word for a folder, from the shared MIME database;
    // capitalised, as it heads the page.
    QString comment = QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
    if (comment.isEmpty())
        return Tr("Folder");
    comment[0] = comment[0].toUpper();
    return comment;
}

TFolderInfoContent FolderInfoContent(const TFolderNode& node, const TDirEntry* entry,
                                     const QString& typeName, int whatIfIndex) {
    TFolderInfoContent c;
    c.IsDriveRoot = node.Parent == nullptr;
    c.DisplayName = TFolderTreeModel::NodeText(&node);
    c.PathText = DisplayText(NodePath(&node));
    c.TypeText = c.IsDriveRoot ? Tr("Root Folder of Drive") : typeName;

    const auto captions = FolderInfoCaptions();
    for (std::size_t r = 0; r < captions.size(); ++r)
        c.Rows[r].Caption = captions[r];

    c.Rows[RowLongName].Value = c.DisplayName;
    c.Rows[RowCreation].Value = Tr("(unknown)");
    // No entry on Linux carries a short name, so the upper-case long name stands in.
    if (entry)
        c.Rows[RowDosName].Value = c.DisplayName.toUpper();

    if (node.Data) {
        const TFolderSize& r = *node.Data;
        c.Rows[RowLastAccess].Value = FileTimeOrUnknown(r.NewestAccessTime);
        c.Rows[RowLastChange].Value = FileTimeOrUnknown(r.NewestWriteTime);
        c.Rows[RowReadOnlyFiles].Value =
            AttributeLine(r.AttributesOr, AttrReadOnly, Tr("Read-Only"));
        c.Rows[RowHiddenFiles].Value = AttributeLine(r.AttributesOr, AttrHidden, Tr("Hidden"));
        c.Rows[RowSystemFiles].Value = AttributeLine(r.AttributesOr, AttrSystem, Tr("System"));
        c.Rows[RowCompressedFiles].Value =
            AttributeLine(r.AttributesOr, AttrCompressed, Tr("Compressed"));
        c.Tree = Figures(r.TreeSize, ShownTreeWasted(r, whatIfIndex), r.TreeFileCount,
                         r.TreeFolderCount);
        c.Folder =
            Figures(r.OwnSize, ShownOwnWasted(r, whatIfIndex), r.OwnFileCount, r.OwnFolderCount);
    } else {
        c.Rows[RowLastAccess].Value = Tr("(unknown)");
        c.Rows[RowLastChange].Value = Tr("(unknown)");
    }
    if (entry) {
        c.Rows[RowCreation].Value = FileTimeOrUnknown(entry->CreationTime);
        c.Rows[RowAttributes].Value = AttributeNames(entry->Attributes);
    }
    c.Incomplete = IncompleteNote(node);
    return c;
}

QString IncompleteNote(const TFolderNode& node) {
    if (node.Has(NodeNotAnswering))
        return Tr("This folder did not answer when it was read: its figures are incomplete.");
    if (node.Has(NodeReadError))
        return Tr("This folder could not be read whole (%1): its figures are incomplete.")
            .arg(ReadErrorText(node.Error));
    if (node.Has(NodeIncompleteBelow))
        return Tr("Some folders below this one could not be read: the figures are incomplete. "
                  "View > Unreadable Folders lists them.");
    return {};
}

TChangeText FolderChangeText(const TScanComparison* comparison, const TFolderNode& node) {
    if (!comparison || !node.Data || !comparison->Covers(node))
        return {};
    const std::optional<TThenFigures> then = comparison->Then(node);
    if (!then)
        return {NewFolderText(), Tr("New since the earlier scan")};
    const std::int64_t now = node.Data->TreeSize;
    const std::int64_t change = now - then->TreeSize;
    // A percentage of nothing says nothing.
    const QString percent =
        then->TreeSize != 0
            ? QStringLiteral(" (") + ChangePercentCell(then->TreeSize, now) + QLatin1Char(')')
            : QString();
    const QString objects = Tr("%1 file(s) and %2 subfolder(s)")
                                .arg(FormatCount64(then->Files), FormatCount64(then->Folders));
    return {FormatSignedSize(change),
            Tr("Since the earlier scan: %1%2; then %3 in %4")
                .arg(FormatSignedSize(change), percent, FormatSize(then->TreeSize), objects)};
}

TFolderInfoContent FolderInfoContent(const TFolderNode& node, int whatIfIndex) {
    TDirEntry entry;
    // A drive root has no entry of its own in a parent folder, and a folder
    // of an opened scan file none on this disk.
    const bool found = node.Parent && !IsOpenedScan(&node) && FindEntry(NodePath(&node), entry);
    return FolderInfoContent(node, found ? &entry : nullptr, FolderTypeName(), whatIfIndex);
}

QString ReduceWasteLinkText() {
    return Tr("Click here to learn how to reduce the wasted space");
}

std::array<TWastedPanel, AltClusterCount> WastedPanels(const TFolderSize* record,
                                                       std::int32_t driveClusterSize) {
    std::array<TWastedPanel, AltClusterCount> panels;
    const std::int64_t treeSize = record ? record->TreeSize : 0;
    for (int i = 1; i <= AltClusterCount; ++i) {
        TWastedPanel& p = panels[static_cast<std::size_t>(i - 1)];
        p.ClusterSize = AltClusterSizes[i];
        p.Caption = QLatin1String(WastedSizes[i].Caption);
        // A cluster size is a power of two, read as one: no digit grouping.
        p.CaptionHint = Tr("%1 bytes").arg(p.ClusterSize);
        p.PanelHint = WastedSizes[i].PanelHint[0] ? Tr(WastedSizes[i].PanelHint) : QString();
        p.Wasted = record ? AltTreeWasted(*record, i) : 0;
        p.UsagePlusWasted = p.Wasted + treeSize;
        p.Value = SizeFigure(p.Wasted);
        p.Percent = PercentOf(p.UsagePlusWasted, p.Wasted);
        p.DriveSize = p.ClusterSize == driveClusterSize;
    }
    return panels;
}

TWastedContent WastedSpaceContent(const TFolderNode& node, std::int32_t driveClusterSize) {
    TWastedContent c;
    c.IsDriveRoot = node.Parent == nullptr;
    const QString wording = c.IsDriveRoot ? Tr("on drive") : Tr("by folder (+ subfolders)");
    c.Amount = Tr("Amount of space wasted %1").arg(wording);
    c.PathText = c.IsDriveRoot ? TFolderTreeModel::NodeText(&node) : DisplayText(NodePath(&node));
    c.AtDifferentSizes = Tr("at different cluster sizes (and % of usage+wasted)");
    c.HelpContext = c.IsDriveRoot ? HelpReduceWasteDrive : HelpReduceWasteFolder;
    c.Panels = WastedPanels(node.Data.get(), driveClusterSize);
    return c;
}
