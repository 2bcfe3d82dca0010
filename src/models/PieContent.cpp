// The choice of a folder's pie sections. One pass over the subfolders and one
// over the folder's listing; only items that earn a section of their own cost
// a name conversion or an allocation, so a folder of 100,000 files is cheap.
#include "models/PieContent.h"

#include "engine/PieArithmetic.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/FolderTreeModel.h"
#include "platform/DirReader.h"
#include "platform/VolumeStat.h"

#include <algorithm>
#include <atomic>
#include <cmath>

QString PieFilesInThisFolder() {
    return QStringLiteral("Files in this folder");
}

QString PieOtherSmallerFolders() {
    return QStringLiteral("Other smaller folders");
}

QString PieOtherSmallerFiles() {
    return QStringLiteral("Other smaller files");
}

QString PieThisFolderEmpty() {
    return QStringLiteral("This folder (0 bytes)");
}

namespace {

std::string Raw(const QString& text) {
    return text.toStdString();
}

// Where an item goes when it is too small for a section of its own.
enum class TGroup { None, Folders, Files };

class TPieBuilder {
public:
    TPieBuilder(const TPieOptions& options, std::int64_t total, TPieContent& out)
        : Options(options), Total(total), Out(out) {}

    struct TCandidate {
        TFolderNode* Node = nullptr;
        int Cursor = PieCursorArrow;
        int ColorIndex = PieColorNormalFolder;
        TPieItemKind Kind = TPieItemKind::Folder;
        TGroup Group = TGroup::None;
        double MinAngle = 0.0;
        std::int64_t Wasted = 0;
        std::int64_t Size = 0;
    };

    // Adds a section when the item's angle is strictly above its minimum,
    // else adds it to its group. The name and path are only made for a
    // section, so gathering a small file costs no allocation.
    template <typename TNaming> void AddOrAccumulate(const TCandidate& c, TNaming&& naming) {
        const std::int64_t value = Options.IncludeWasted ? c.Size + c.Wasted : c.Size;
        const double angle = AngleOf(Total, value);
        if (!(angle > c.MinAngle)) {
            if (c.Group == TGroup::Folders) {
                OtherFoldersSize += c.Size;
                OtherFoldersWasted += c.Wasted;
            } else if (c.Group == TGroup::Files) {
                OtherFilesSize += c.Size;
                OtherFilesWasted += c.Wasted;
            }
            return;
        }
        TPieItem item;
        item.Node = c.Node;
        item.Cursor = c.Cursor;
        item.Size = c.Size;
        item.Wasted = c.Wasted;
        item.Kind = c.Kind;
        naming(item);
        TPieSlice slice;
        slice.Caption = item.Name + PieLabelValue(Options.LabelValue, angle, value);
        slice.ColorIndex = c.ColorIndex;
        slice.Angle = angle;
        slice.Item = int(Out.Items.size());
        Out.Items.push_back(std::move(item));
        Out.Slices.push_back(std::move(slice));
    }

    // A group section, named by its own text.
    void AddGroup(const QString& name, int colorIndex, TFolderNode* node, TGroup group,
                  std::int64_t wasted, std::int64_t size) {
        TCandidate c;
        c.Node = node;
        c.ColorIndex = colorIndex;
        c.Kind = TPieItemKind::Group;
        c.Group = group;
        c.Wasted = wasted;
        c.Size = size;
        AddOrAccumulate(c, [&](TPieItem& item) {
            item.Name = name;
            item.Path = Raw(name);
        });
    }

    const TPieOptions& Options;
    const std::int64_t Total;
    TPieContent& Out;
    std::int64_t OtherFoldersSize = 0;
    std::int64_t OtherFoldersWasted = 0;
    std::int64_t OtherFilesSize = 0;
    std::int64_t OtherFilesWasted = 0;
};

class TVisitSink final : public Platform::TListSink {
public:
    explicit TVisitSink(const TPieFileVisitor& visit) : Visit(visit) {}
    void OnFile(const char* name, std::size_t length, const Platform::TFileFacts& facts) override {
        Visit(std::string_view(name, length), facts.Size);
    }
    void OnFolder(const char*, std::size_t, bool) override {}
    // Shown as the scan counted it: a file of unknown size.
    void OnUnreadable(const char* name, std::size_t length, int) override {
        Visit(std::string_view(name, length), 0);
    }

private:
    const TPieFileVisitor& Visit;
};

} // namespace

QString PieLabelValue(int labelValue, double angle, std::int64_t shownSize) {
    switch (labelValue) {
    case 1: {
        // Truncated, never rounded: 89.9 degrees is 24 %, not 25 %.
        const auto percent = static_cast<long long>(std::trunc(angle * 100.0 / 360.0));
        return QStringLiteral(" (") + QString::number(percent) + QStringLiteral("%)");
    }
    case 2:
        return QStringLiteral(" (") + FormatSize(shownSize) + QStringLiteral(")");
    default:
        return {};
    }
}

TPieFileSource FolderFilesOnDisk(const std::string& path, bool mayHang) {
    if (mayHang) {
        // A share that stops answering must not stop the window: listed on a
        // helper thread, given up after a while (the pie then shows the
        // folder's files as one section).
        return [path](const TPieFileVisitor& visit, int& error) {
            std::vector<std::string> names;
            std::vector<std::int64_t> sizes;
            if (Platform::ListFolderFiles(path, names, sizes, Platform::SlowDriveTimeoutMs,
                                          &error) != Platform::TProbeResult::Ok)
                return false;
            for (std::size_t i = 0; i < names.size(); ++i)
                visit(names[i], sizes[i]);
            return true;
        };
    }
    return [path](const TPieFileVisitor& visit, int& error) {
        error = 0;
        Platform::TFd fd = Platform::OpenFolderPath(path, error);
        if (!fd.Valid())
            return false;
        TVisitSink sink(visit);
        // Nobody stops a pie build half way; the flag only satisfies the reader.
        const std::atomic<bool> never{false};
        std::vector<char> buffer;
        bool aborted = false;
        return Platform::ListFolder(fd.Get(), Platform::MountIdOf(fd.Get()), sink, never, buffer,
                                    aborted, error);
    };
}

TPieFileSource KeptFolderFiles(const TFolderNode& folder) {
    // The list itself, not the node: it stays alive and unchanged whatever
    // happens to the tree before the source is asked.
    return [files = folder.Files](const TPieFileVisitor& visit, int& error) {
        error = 0;
        for (std::uint32_t i = 0; i < files.Count(); ++i)
            visit(files->Name(i), files->Entry(i).Size());
        return true;
    };
}

TPieContent BuildPieContent(TFolderNode& folder, const TPieOptions& options,
                            std::int32_t clusterSize, const TPieFileSource& files) {
    TPieContent out;
    if (!folder.Data)
        return out;
    const TFolderSize& record = *folder.Data;
    const std::string path = NodePath(&folder);
    const std::int64_t treeWasted = ShownTreeWasted(record, options.WhatIfIndex);

    TPieItem self;
    self.Node = &folder;
    self.Cursor = folder.Parent ? PieCursorZoomOut : PieCursorArrow;
    self.Name = TFolderTreeModel::NodeText(&folder);
    self.Path = path;
    self.Size = record.TreeSize;
    self.Wasted = treeWasted;
    self.Kind = TPieItemKind::Folder;
    out.Items.push_back(std::move(self));

    out.Total = record.TreeSize + (options.IncludeWasted ? treeWasted : 0);
    TPieBuilder builder(options, out.Total, out);

    if (out.Total == 0) {
        builder.AddGroup(PieThisFolderEmpty(), PieColorOtherFolders, nullptr, TGroup::None, 0, 0);
        return out;
    }

    const std::string prefix = IncludeTrailingBackslash(path);
    for (const auto& child : folder.Children) {
        TPieBuilder::TCandidate c;
        c.Node = child.get();
        c.Cursor = PieCursorZoomIn;
        c.ColorIndex = PieColorNormalFolder;
        c.Kind = TPieItemKind::Folder;
        c.Group = TGroup::Folders;
        c.MinAngle = options.MinFolderAngle;
        // A folder left unscanned (another drive, an unreadable one) has no
        // figures and counts as empty.
        if (child->Data) {
            c.Size = child->Data->TreeSize;
            c.Wasted = ShownTreeWasted(*child->Data, options.WhatIfIndex);
        }
        builder.AddOrAccumulate(c, [&](TPieItem& item) {
            item.Name = TFolderTreeModel::NodeText(child.get());
            item.Path = prefix + child->Name;
        });
    }

    if (options.ShowFiles) {
        TPieBuilder::TCandidate c;
        c.ColorIndex = PieColorFile;
        c.Kind = TPieItemKind::File;
        c.Group = TGroup::Files;
        c.MinAngle = options.MinFileAngle;
        std::int64_t seenSize = 0;
        std::int64_t seenWasted = 0;
        const TPieFileVisitor visit = [&](std::string_view name, std::int64_t size) {
            c.Size = size;
            // The slack at the drive's real clusters: a what-if size describes
            // folders, not the file actually on disk.
            c.Wasted = ClusterSlack(clusterSize, size);
            seenSize += c.Size;
            seenWasted += c.Wasted;
            builder.AddOrAccumulate(c, [&](TPieItem& item) {
                item.Name = DisplayText(name);
                item.Path = prefix;
                item.Path.append(name);
            });
        };
        int error = 0;
        out.FilesListed = files ? files(visit, error) : false;
        out.FilesError = out.FilesListed ? 0 : error;
        if (!out.FilesListed) {
            // What the listing did not reach is still part of the folder: shown
            // as its files, the other sections keep their true size instead of
            // the last one stretching over the gap.
            builder.AddGroup(
                PieFilesInThisFolder(), PieColorFilesInFolder, &folder, TGroup::None,
                std::max<std::int64_t>(0, ShownOwnWasted(record, options.WhatIfIndex) - seenWasted),
                std::max<std::int64_t>(0, record.OwnSize - seenSize));
        }
        builder.AddGroup(PieOtherSmallerFiles(), PieColorOtherFiles, nullptr, TGroup::None,
                         builder.OtherFilesWasted, builder.OtherFilesSize);
    } else {
        // The section stands for the folder it is in: clicking it opens
        // nothing new, so it keeps the arrow.
        builder.AddGroup(PieFilesInThisFolder(), PieColorFilesInFolder, &folder, TGroup::Folders,
                         ShownOwnWasted(record, options.WhatIfIndex), record.OwnSize);
    }
    builder.AddGroup(PieOtherSmallerFolders(), PieColorOtherFolders, nullptr, TGroup::None,
                     builder.OtherFoldersWasted, builder.OtherFoldersSize);

    // Stable, so equal sections keep the order they were met in and the
    // screen and an export always agree.
    std::stable_sort(out.Slices.begin(), out.Slices.end(),
                     [ascending = options.SortAscending](const TPieSlice& a, const TPieSlice& b) {
                         return ascending ? a.Angle < b.Angle : a.Angle > b.Angle;
                     });
    return out;
}
