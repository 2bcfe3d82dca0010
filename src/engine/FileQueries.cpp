#include "engine/FileQueries.h"

#include <algorithm>
#include <queue>

std::vector<TFolderFiles> GatherFiles(const TFolderNode* folder) {
    std::vector<TFolderFiles> lists;
    if (!folder)
        return lists;
    // Iterative: trees can be far deeper than the stack.
    std::vector<const TFolderNode*> pending{folder};
    while (!pending.empty()) {
        const TFolderNode* node = pending.back();
        pending.pop_back();
        if (node->Files)
            lists.push_back({node, node->Files});
        for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
            pending.push_back(it->get());
    }
    return lists;
}

bool FilesKeptFor(const TFolderNode* node) {
    while (node && node->Parent)
        node = node->Parent;
    return node && node->Drive && node->Drive->FilesKept;
}

std::vector<TFileAt> LargestFiles(const std::vector<TFolderFiles>& lists, std::size_t n,
                                  const TFileFilter& accept) {
    std::vector<TFileAt> result;
    if (n == 0)
        return result;
    const auto entry = [&](const TFileAt& at) -> const TFileEntry& {
        return lists[at.Folder].Files->Entry(at.Index);
    };
    // "a before b": a is the larger; among equals the one met first.
    const auto larger = [&](const TFileAt& a, const TFileAt& b) {
        const TFileEntry& x = entry(a);
        const TFileEntry& y = entry(b);
        if (x.Size() != y.Size())
            return x.Size() > y.Size();
        if (x.Allocated() != y.Allocated())
            return x.Allocated() > y.Allocated();
        return a.Folder != b.Folder ? a.Folder < b.Folder : a.Index < b.Index;
    };
    // A heap of the n best so far with the smallest of them on top, whose
    // size most files fall below: one compare each.
    std::priority_queue<TFileAt, std::vector<TFileAt>, decltype(larger)> best(larger);
    std::int64_t floor = -1;
    for (std::uint32_t f = 0; f < lists.size(); ++f) {
        const TFileList& files = *lists[f].Files;
        const std::uint32_t count = files.Count();
        for (std::uint32_t i = 0; i < count; ++i) {
            if (files.Entry(i).Size() < floor)
                continue;
            if (accept && !accept(files, i))
                continue;
            const TFileAt at{f, i};
            if (best.size() < n) {
                best.push(at);
            } else if (larger(at, best.top())) {
                best.pop();
                best.push(at);
            } else {
                continue;
            }
            if (best.size() == n)
                floor = entry(best.top()).Size();
        }
    }
    result.resize(best.size());
    for (std::size_t i = result.size(); i-- > 0;) {
        result[i] = best.top();
        best.pop();
    }
    return result;
}

std::vector<TFileTypeFigures> FileTypeFigures(const std::vector<TFolderFiles>& lists,
                                              std::int32_t clusterSize) {
    // Numbers are small and dense: one slot per number met.
    std::vector<TFileTypeFigures> byId;
    for (const TFolderFiles& folder : lists) {
        for (const TFileEntry& file : *folder.Files) {
            const TExtensionId id = file.Extension();
            if (id >= byId.size())
                byId.resize(std::size_t{id} + 1);
            TFileTypeFigures& row = byId[id];
            ++row.Files;
            row.Size += file.Size();
            row.Allocated += file.Allocated();
            row.Wasted += ClusterSlack(clusterSize, file.Size());
        }
    }
    std::vector<TFileTypeFigures> rows;
    for (std::size_t id = 0; id < byId.size(); ++id) {
        if (byId[id].Files == 0)
            continue;
        byId[id].Extension = static_cast<TExtensionId>(id);
        rows.push_back(byId[id]);
    }
    std::sort(rows.begin(), rows.end(), [](const TFileTypeFigures& a, const TFileTypeFigures& b) {
        if (a.Size != b.Size)
            return a.Size > b.Size;
        return FileExtensionName(a.Extension) < FileExtensionName(b.Extension);
    });
    return rows;
}
