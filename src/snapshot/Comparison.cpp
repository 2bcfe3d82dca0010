// Matching the current tree with an earlier scan by path, and the folders
// that grew. Folders are matched one level at a time from the compared
// folder down, so no path is ever built to look one up, and the walks use a
// stack of their own: a chain of a hundred thousand folders is fine.
#include "snapshot/Comparison.h"

#include <algorithm>

namespace {

// Below this many children a plain search beats building an index.
constexpr std::size_t IndexedChildren = 16;

} // namespace

TThenFigures FiguresOf(const TFolderSize& record) {
    return {record.TreeSize, record.TreeFileCount, record.TreeFolderCount};
}

std::optional<double> ChangePercent(std::int64_t then, std::int64_t now) {
    if (then == 0)
        return std::nullopt;
    return static_cast<double>(now - then) * 100.0 / static_cast<double>(then);
}

TScanComparison::TScanComparison(const TFolderNode& current, std::unique_ptr<TFolderNode> earlier,
                                 TScanFileInfo info)
    : Current(&current), Earlier(std::move(earlier)), FileInfo(std::move(info)) {
    if (!Earlier)
        Earlier = std::make_unique<TFolderNode>();
}

TScanComparison::~TScanComparison() {
    DestroyDetachedTree(std::move(Earlier));
}

bool TScanComparison::Covers(const TFolderNode& node) const {
    return IsWithin(&node, Current);
}

const TFolderNode* TScanComparison::EarlierChild(const TFolderNode& parent,
                                                 std::string_view name) const {
    if (parent.Children.size() < IndexedChildren) {
        for (const auto& child : parent.Children)
            if (child->Name == name)
                return child.get();
        return nullptr;
    }
    auto [it, made] = Indexes.try_emplace(&parent);
    if (made) {
        it->second.reserve(parent.Children.size());
        // The first of two equal names wins, as a plain search would have it.
        for (const auto& child : parent.Children)
            it->second.try_emplace(child->Name, child.get());
    }
    const auto found = it->second.find(name);
    return found == it->second.end() ? nullptr : found->second;
}

const TFolderNode* TScanComparison::EarlierOf(const TFolderNode& node) const {
    std::vector<const TFolderNode*> chain;
    const TFolderNode* n = &node;
    for (; n && n != Current; n = n->Parent)
        chain.push_back(n);
    if (!n)
        return nullptr;
    const TFolderNode* earlier = Earlier.get();
    for (auto it = chain.rbegin(); it != chain.rend() && earlier; ++it)
        earlier = EarlierChild(*earlier, (*it)->Name);
    return earlier;
}

std::optional<TThenFigures> TScanComparison::Then(const TFolderNode& node) const {
    const TFolderNode* earlier = EarlierOf(node);
    if (!earlier || !earlier->Data)
        return std::nullopt;
    return FiguresOf(*earlier->Data);
}

std::vector<std::optional<TThenFigures>>
TScanComparison::ThenOfChildren(const TFolderNode& node) const {
    std::vector<std::optional<TThenFigures>> then(node.Children.size());
    const TFolderNode* earlier = EarlierOf(node);
    if (!earlier)
        return then;
    for (std::size_t i = 0; i < node.Children.size(); ++i) {
        const TFolderNode* was = EarlierChild(*earlier, node.Children[i]->Name);
        if (was && was->Data)
            then[i] = FiguresOf(*was->Data);
    }
    return then;
}

std::vector<const TFolderNode*> TScanComparison::GoneBelow(const TFolderNode& node) const {
    std::vector<const TFolderNode*> gone;
    const TFolderNode* earlier = EarlierOf(node);
    if (!earlier)
        return gone;
    // The current children by name, the same way round as EarlierChild.
    if (node.Children.size() < IndexedChildren) {
        for (const auto& was : earlier->Children) {
            const bool kept = std::any_of(node.Children.begin(), node.Children.end(),
                                          [&](const auto& c) { return c->Name == was->Name; });
            if (!kept)
                gone.push_back(was.get());
        }
        return gone;
    }
    TNameIndex now;
    now.reserve(node.Children.size());
    for (const auto& child : node.Children)
        now.try_emplace(child->Name, child.get());
    for (const auto& was : earlier->Children)
        if (now.find(was->Name) == now.end())
            gone.push_back(was.get());
    return gone;
}

std::vector<TGrowth> TScanComparison::WhatGrew(std::size_t limit) const {
    struct TCandidate {
        const TFolderNode* Node;
        std::int64_t Then; // -1: new
        std::int64_t Change;
    };
    std::vector<TCandidate> grew;
    struct TPair {
        const TFolderNode* Now;
        const TFolderNode* Then; // none: new
    };
    std::vector<TPair> stack{{Current, Earlier.get()}};
    while (!stack.empty()) {
        const TPair pair = stack.back();
        stack.pop_back();
        const TFolderNode& node = *pair.Now;
        // A folder without a record is not finished (or another drive):
        // nothing below it has figures to compare yet.
        if (!node.Data)
            continue;
        const bool known = pair.Then && pair.Then->Data;
        const std::int64_t then = known ? pair.Then->Data->TreeSize : 0;
        const std::int64_t change = node.Data->TreeSize - then;
        std::int64_t largestChild = 0;
        bool anyChild = false;
        for (const auto& child : node.Children) {
            const TFolderNode* was = pair.Then ? EarlierChild(*pair.Then, child->Name) : nullptr;
            if (child->Data) {
                const std::int64_t childThen = was && was->Data ? was->Data->TreeSize : 0;
                const std::int64_t childChange = child->Data->TreeSize - childThen;
                if (!anyChild || childChange > largestChild)
                    largestChild = childChange;
                anyChild = true;
            }
            stack.push_back({child.get(), was});
        }
        const bool explained = anyChild && static_cast<double>(largestChild) >=
                                               PassThroughShare * static_cast<double>(change);
        if (change > 0 && !explained)
            grew.push_back({&node, known ? then : -1, change});
    }

    auto relative = [this](const TFolderNode* node) {
        std::vector<const std::string*> names;
        for (const TFolderNode* n = node; n && n != Current; n = n->Parent)
            names.push_back(&n->Name);
        std::string path;
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            if (!path.empty())
                path += '/';
            path += **it;
        }
        return path;
    };
    // Equal growth is ordered by path so the list reads the same every time;
    // the paths are only built for the ties that need them.
    auto before = [&](const TCandidate& a, const TCandidate& b) {
        if (a.Change != b.Change)
            return a.Change > b.Change;
        return relative(a.Node) < relative(b.Node);
    };
    const std::size_t keep = limit == 0 ? grew.size() : std::min(limit, grew.size());
    std::partial_sort(grew.begin(), grew.begin() + static_cast<std::ptrdiff_t>(keep), grew.end(),
                      before);
    std::vector<TGrowth> out;
    out.reserve(keep);
    for (std::size_t i = 0; i < keep; ++i) {
        const TCandidate& c = grew[i];
        TGrowth g;
        g.Node = c.Node;
        g.RelativePath = relative(c.Node);
        if (c.Then >= 0)
            g.Then = c.Then;
        g.Now = c.Node->Data->TreeSize;
        g.Change = c.Change;
        out.push_back(std::move(g));
    }
    return out;
}
