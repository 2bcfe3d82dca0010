// The comparison of a tree with an earlier scan, on trees built in memory:
// matching by path below two different roots, folders gone and new, what
// grew, and a chain too deep for recursion.
#include "snapshot/Comparison.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A folder with a record whose tree size is `size`.
TFolderNode* Add(TFolderNode& parent, const std::string& name, std::int64_t size) {
    auto node = std::make_unique<TFolderNode>();
    node->Parent = &parent;
    node->Name = name;
    node->Data = std::make_unique<TFolderSize>();
    node->Data->TreeSize = size;
    node->Data->TreeFileCount = 1;
    node->Row = static_cast<std::uint32_t>(parent.Children.size());
    parent.Children.push_back(std::move(node));
    return parent.Children.back().get();
}

std::unique_ptr<TFolderNode> Root(const std::string& path, std::int64_t size) {
    auto root = std::make_unique<TFolderNode>();
    root->Name = path;
    root->Data = std::make_unique<TFolderSize>();
    root->Data->TreeSize = size;
    return root;
}

// Takes a tree apart without recursion, as the deep chain needs.
void Dismantle(std::unique_ptr<TFolderNode> root) {
    std::vector<std::unique_ptr<TFolderNode>> pending;
    pending.push_back(std::move(root));
    while (!pending.empty()) {
        auto node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children)
            pending.push_back(std::move(child));
    }
}

std::vector<std::string> Names(const std::vector<const TFolderNode*>& nodes) {
    std::vector<std::string> names;
    for (const TFolderNode* n : nodes)
        names.push_back(n->Name);
    return names;
}

TEST(Comparison, MatchesByPathAndFindsWhereTheSpaceWent) {
    // Then, exported on a server: keep 100, shrank 500, gone 300, wide 400
    // in forty folders of 10 (enough for the name index).
    auto then = Root("/srv/export/data", 1300);
    Add(*then, "keep", 100);
    Add(*then, "shrank", 500);
    Add(*then, "gone", 300);
    TFolderNode* wideThen = Add(*then, "wide", 400);
    for (int i = 0; i < 40; ++i)
        Add(*wideThen, "c" + std::to_string(i), 10);

    // Now, at another path, children in another order: c0 gone, c5 grown to
    // 1000, c40 new; a new folder whose one subfolder holds everything.
    auto now = Root("/home/me/data", 2430);
    TFolderNode* wide = Add(*now, "wide", 1430);
    for (int i = 40; i >= 1; --i)
        Add(*wide, "c" + std::to_string(i), i == 5 ? 1000 : i == 40 ? 50 : 10);
    TFolderNode* keep = Add(*now, "keep", 100);
    TFolderNode* shrank = Add(*now, "shrank", 200);
    TFolderNode* fresh = Add(*now, "new", 700);
    Add(*fresh, "inner", 700);
    auto stranger = Root("/elsewhere", 5);

    TScanFileInfo info;
    info.Program = "ncdu";
    const auto comparison = std::make_unique<TScanComparison>(*now, std::move(then), info);
    EXPECT_EQ(comparison->Info().Program, "ncdu");

    EXPECT_EQ(comparison->Then(*now)->TreeSize, 1300);
    EXPECT_EQ(comparison->Then(*keep)->TreeSize, 100);
    EXPECT_EQ(comparison->Then(*shrank)->TreeSize, 500);
    EXPECT_EQ(comparison->Then(*FindChildNode(wide, "c5", true))->TreeSize, 10);
    EXPECT_FALSE(comparison->Then(*fresh));
    EXPECT_FALSE(comparison->Then(*FindChildNode(wide, "c40", true)));
    EXPECT_FALSE(comparison->Then(*FindChildNode(fresh, "inner", true)));
    EXPECT_FALSE(comparison->Covers(*stranger));
    EXPECT_FALSE(comparison->Then(*stranger));
    EXPECT_EQ(comparison->EarlierOf(*wide)->Name, "wide");
    const auto children = comparison->ThenOfChildren(*wide);
    ASSERT_EQ(children.size(), wide->Children.size());
    EXPECT_FALSE(children.front()) << "c40 is new";
    EXPECT_EQ(children[35]->TreeSize, 10) << wide->Children[35]->Name;

    EXPECT_EQ(Names(comparison->GoneBelow(*now)), std::vector<std::string>{"gone"});
    EXPECT_EQ(Names(comparison->GoneBelow(*wide)), std::vector<std::string>{"c0"});
    EXPECT_TRUE(comparison->GoneBelow(*fresh).empty());
    EXPECT_TRUE(comparison->GoneBelow(*stranger).empty());

    // The root grew 1,130 and wide 1,030, but nearly all of it is c5's 990;
    // "new" is all "new/inner". Those that explain the growth are listed.
    const std::vector<TGrowth> grew = comparison->WhatGrew();
    ASSERT_EQ(grew.size(), 3u);
    EXPECT_EQ(grew[0].RelativePath, "wide/c5");
    EXPECT_EQ(grew[0].Then, 10);
    EXPECT_EQ(grew[0].Now, 1000);
    EXPECT_EQ(grew[0].Change, 990);
    EXPECT_EQ(grew[1].RelativePath, "new/inner");
    EXPECT_FALSE(grew[1].Then);
    EXPECT_EQ(grew[1].Change, 700);
    EXPECT_EQ(grew[2].RelativePath, "wide/c40");
    ASSERT_EQ(comparison->WhatGrew(2).size(), 2u);
    EXPECT_EQ(comparison->WhatGrew(2)[1].Node, FindChildNode(fresh, "inner", true));

    // Growth spread over two subfolders is the parent's own story too; the
    // root's is still wide's.
    FindChildNode(wide, "c40", true)->Data->TreeSize = 1000;
    wide->Data->TreeSize += 950;
    now->Data->TreeSize += 950;
    const std::vector<TGrowth> spread = comparison->WhatGrew();
    ASSERT_EQ(spread.size(), 4u);
    EXPECT_EQ(spread[0].RelativePath, "wide");
    EXPECT_EQ(spread[0].Change, 1980);
    EXPECT_EQ(spread[1].RelativePath, "wide/c40");
    EXPECT_EQ(spread[2].RelativePath, "wide/c5");
    Dismantle(std::move(now));
}

TEST(Comparison, AChainOfAHundredThousandFoldersNeedsNoDeepStack) {
    constexpr int depth = 100000;
    auto then = Root("/then", 1);
    auto now = Root("/now", 2);
    TFolderNode* a = then.get();
    TFolderNode* b = now.get();
    for (int i = 0; i < depth; ++i) {
        a = Add(*a, "d", 1);
        b = Add(*b, "d", 2);
    }
    {
        TScanComparison comparison(*now, std::move(then), {});
        EXPECT_EQ(comparison.Then(*b)->TreeSize, 1);
        // Every folder grew by 1, all of it in the deepest one.
        const std::vector<TGrowth> grew = comparison.WhatGrew();
        ASSERT_EQ(grew.size(), 1u);
        EXPECT_EQ(grew[0].Node, b);
        EXPECT_EQ(grew[0].RelativePath.size(), std::size_t{depth} * 2 - 1);
    }
    Dismantle(std::move(now));
}

} // namespace
