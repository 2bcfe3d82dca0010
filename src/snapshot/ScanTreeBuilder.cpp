// Building the tree: each folder's files are folded into its record as they
// come; the record is finished at the folder's end.
#include "snapshot/ScanTreeBuilder.h"

#include "engine/NameOrder.h"
#include "platform/DirReader.h"
#include "snapshot/ReadErrors.h"

#include <sys/stat.h>

namespace {

std::uint32_t AttributesOf(const TScanEntry& entry) {
    std::uint32_t attributes = 0;
    if (entry.Hidden())
        attributes |= AttrHidden;
    if (entry.HasMode) {
        const unsigned type = entry.Mode & S_IFMT;
        if (!(entry.Mode & S_IWUSR))
            attributes |= AttrReadOnly;
        if (type != S_IFREG && type != S_IFDIR && type != S_IFLNK && type != 0)
            attributes |= AttrSystem;
    }
    return attributes;
}

} // namespace

bool TScanTreeBuilder::FolderBegins(const TScanEntry& folder) {
    auto node = std::make_unique<TFolderNode>();
    node->Name = folder.Name;
    TFolderNode* raw = node.get();
    if (!Root) {
        Root = std::move(node);
    } else {
        TFrame& parent = Frames.back();
        raw->Parent = parent.Node;
        parent.Record.AddSubfolder();
        parent.Node->Children.push_back(std::move(node));
    }
    TFrame& frame = Frames.emplace_back();
    frame.Node = raw;
    if (KeptFiles.size() < Frames.size())
        KeptFiles.push_back(std::make_unique<TFileListBuilder>(&Extensions));
    if (folder.LeftOut != TLeftOut::No) {
        // Another drive (or a folder left out by the writer's user): not
        // read, so it holds no figures, like a mount point in a scan.
        raw->Set(NodeOtherDrive);
        return true;
    }
    ++FolderCount;
    frame.ReadError = frame.OwnError = folder.ReadError;
    frame.Reason = folder.ReadError ? folder.Reason : 0;
    return true;
}

bool TScanTreeBuilder::Item(const TScanEntry& item) {
    TFrame& frame = Frames.back();
    if (item.LeftOut != TLeftOut::No) {
        auto node = std::make_unique<TFolderNode>();
        node->Name = item.Name;
        node->Parent = frame.Node;
        node->Set(NodeOtherDrive);
        frame.Record.AddSubfolder();
        frame.Node->Children.push_back(std::move(node));
        return true;
    }
    ++FileCount;
    if (item.ReadError) {
        frame.Record.AddFile(ClusterSize, 0, 0, 0, AttributesOf(item));
        frame.ReadError = true;
        if (!frame.OwnError && !frame.Reason)
            frame.Reason = item.Reason;
        return true;
    }
    frame.Record.AddFile(ClusterSize, static_cast<std::int64_t>(item.ASize), 0,
                         item.MTime ? Platform::UnixTimeToFileTime(item.MTime, 0) : 0,
                         AttributesOf(item));
    // ncdu writes a file's kind only with its extended data: a file of
    // unknown kind is taken for a regular one.
    KeptFiles[Frames.size() - 1]->Add(
        item.Name, static_cast<std::int64_t>(item.ASize), static_cast<std::int64_t>(item.DSize),
        item.MTime, (item.Mode & S_IFMT) ? FileKindOfMode(item.Mode) : TFileKind::Regular,
        item.HardLinked);
    return true;
}

bool TScanTreeBuilder::FolderEnds() {
    TFrame frame = std::move(Frames.back());
    Frames.pop_back();
    TFolderNode* node = frame.Node;
    TFileListBuilder& files = *KeptFiles[Frames.size()];
    if (node->Has(NodeOtherDrive)) {
        files.Clear();
        return true; // the parser saw to it that it holds nothing
    }
    node->Files = files.Take();
    SortByName(node->Children, [](const auto& c) -> std::string_view { return c->Name; });
    node->RenumberChildren();
    frame.Record.Finish();
    node->Data = std::make_unique<TFolderSize>(frame.Record);
    node->Set(NodeScanned);
    node->Set(NodeChildrenPublished);
    if (frame.ReadError) {
        node->Set(NodeReadError);
        // ncdu's and gdu's files say only that it failed, not why.
        node->Error = frame.Reason ? frame.Reason : ReasonNotRecorded;
    }
    node->Set(NodeIncompleteBelow, frame.IncompleteBelow);
    if (!Frames.empty()) {
        TFrame& parent = Frames.back();
        parent.Record.AddFinishedChild(*node->Data);
        if (frame.ReadError || frame.IncompleteBelow)
            parent.IncompleteBelow = true;
    }
    return true;
}
