#include "models/TreeSearch.h"

#include "engine/FileQueries.h"
#include "engine/Formatting.h"

#include <QRegularExpression>

#include <utility>

std::string_view TTreeSnapshot::Name(std::uint32_t folder) const {
    const TSnapshotFolder& f = Folders[folder];
    return std::string_view(Names).substr(f.NameOffset, f.NameLength);
}

std::string TTreeSnapshot::Path(std::uint32_t folder) const {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t f = folder; f != TSnapshotFolder::NoParent; f = Folders[f].Parent)
        chain.push_back(f);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += Name(*it);
    }
    return path;
}

TTreeSnapshot TakeTreeSnapshot(const TFolderTree& tree) {
    TTreeSnapshot snapshot;
    // Iterative: a chain of folders can be far deeper than the stack allows.
    std::vector<std::pair<const TFolderNode*, std::uint32_t>> pending;
    for (auto it = tree.Roots().rbegin(); it != tree.Roots().rend(); ++it) {
        pending.emplace_back(it->get(), TSnapshotFolder::NoParent);
        if ((*it)->Data && !FilesKeptFor(it->get()))
            snapshot.FilesMissing = true;
    }
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        const auto index = static_cast<std::uint32_t>(snapshot.Folders.size());
        TSnapshotFolder& folder = snapshot.Folders.emplace_back();
        folder.Parent = parent;
        folder.NameOffset = static_cast<std::uint32_t>(snapshot.Names.size());
        folder.NameLength = static_cast<std::uint32_t>(node->Name.size());
        folder.Size = node->Data ? node->Data->TreeSize : -1;
        folder.Files = node->Files;
        snapshot.Names += node->Name;
        for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
            pending.emplace_back(it->get(), index);
    }
    return snapshot;
}

TSearchHits SearchTree(const TTreeSnapshot& snapshot, const QString& pattern, std::size_t maxHits,
                       const std::atomic<bool>& stop) {
    TSearchHits found;
    const QString wanted = pattern.trimmed().isEmpty() ? QStringLiteral("*") : pattern.trimmed();
    QRegularExpression whole(
        QRegularExpression::anchoredPattern(QRegularExpression::wildcardToRegularExpression(
            wanted, QRegularExpression::UnanchoredWildcardConversion)),
        QRegularExpression::CaseInsensitiveOption);
    whole.optimize();
    const auto matches = [&](std::string_view name) {
        return whole.match(DisplayText(name)).hasMatch();
    };
    // Returns false once the hits are complete.
    const auto add = [&](TSearchHit hit) {
        if (found.Hits.size() == maxHits) {
            found.Truncated = true;
            return false;
        }
        found.Hits.push_back(hit);
        return true;
    };
    for (std::uint32_t f = 0; f < snapshot.Folders.size(); ++f) {
        if (stop.load(std::memory_order_relaxed))
            break;
        const TSnapshotFolder& folder = snapshot.Folders[f];
        if (folder.Parent != TSnapshotFolder::NoParent && matches(snapshot.Name(f)) &&
            !add({f, TSearchHit::NoFile}))
            break;
        const std::uint32_t count = folder.Files.Count();
        bool full = false;
        for (std::uint32_t i = 0; i < count && !full; ++i) {
            // A million files in one folder must not hold a stop up.
            if ((i & 0xfff) == 0xfff && stop.load(std::memory_order_relaxed))
                break;
            full = matches(folder.Files->Name(i)) && !add({f, i});
        }
        if (full)
            break;
    }
    return found;
}
