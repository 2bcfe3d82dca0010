// The bar chart's figures without a window: the order of the rows, the value
// of a row under each setting and cluster size, the bar length, and the row
// model as views see it.
#include "common/BarChartTestTree.h"

#include "engine/FolderSize.h"
#include "models/BarChartModel.h"
#include "models/BarChartRows.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const std::vector<TFolderNode*>& nodes) {
    std::vector<std::string> names;
    for (const TFolderNode* node : nodes)
        names.push_back(node->Name);
    return names;
}

class BarChartRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = T.AddRoot("/data");
        A = T.Add(Root, "A", {100});
        A1 = T.Add(A, "A1", {5000});
        T.Add(A1, "A1x");
        T.Add(A, "A2");
        B = T.Add(Root, "B", {1});
        T.Finish(Root);
    }
    // The what-if cluster size whose wasted space is shown.
    int WhatIf = 0;

    TBarChartTestTree T;
    TFolderNode* Root = nullptr;
    TFolderNode* A = nullptr;
    TFolderNode* A1 = nullptr;
    TFolderNode* B = nullptr;
};

TEST_F(BarChartRowsTest, EveryFolderOnceEachBeforeItsChildren) {
    EXPECT_EQ(Names(PreOrderNodes(Root)),
              (std::vector<std::string>{"/data", "A", "A1", "A1x", "A2", "B"}));
    EXPECT_EQ(Names(PreOrderNodes(A)), (std::vector<std::string>{"A", "A1", "A1x", "A2"}));
    EXPECT_EQ(Names(PreOrderNodes(B)), std::vector<std::string>{"B"});
    EXPECT_TRUE(PreOrderNodes(nullptr).empty());
}

TEST_F(BarChartRowsTest, AVeryDeepTreeIsWalkedWhole) {
    TFolderNode* node = B;
    for (int i = 0; i < 100000; ++i)
        node = T.Add(node, "d");
    const std::vector<TFolderNode*> rows = PreOrderNodes(B);
    ASSERT_EQ(rows.size(), 100001u);
    EXPECT_EQ(rows.back(), node);
    EXPECT_EQ(NodeLevel(node), 100001);
}

TEST_F(BarChartRowsTest, LevelsCountFromTheTopOfTheWholeTree) {
    EXPECT_EQ(NodeLevel(Root), 0);
    EXPECT_EQ(NodeLevel(A), 1);
    EXPECT_EQ(NodeLevel(A1), 2);
}

TEST_F(BarChartRowsTest, RowValueFollowsBothSettingsAndTheWhatIfSize) {
    // Own files: A holds 100 bytes (3996 wasted in a 4 KB cluster), A1 5000
    // bytes (3192 wasted), B one byte (4095 wasted).
    EXPECT_EQ(BarRowValue(A, true, false, WhatIf), 5100);
    EXPECT_EQ(BarRowValue(A, true, true, WhatIf), 5100 + 3996 + 3192);
    EXPECT_EQ(BarRowValue(A, false, false, WhatIf), 100);
    EXPECT_EQ(BarRowValue(A, false, true, WhatIf), 100 + 3996);
    EXPECT_EQ(BarChartTotal(Root, false, WhatIf), 5101);
    EXPECT_EQ(BarChartTotal(Root, true, WhatIf), 5101 + 3996 + 3192 + 4095);

    // At 512-byte clusters: 100 -> 412, 5000 -> 120, 1 -> 511.
    WhatIf = 1;
    EXPECT_EQ(BarRowValue(A, true, true, WhatIf), 5100 + 412 + 120);
    EXPECT_EQ(BarRowValue(A, false, true, WhatIf), 100 + 412);
    EXPECT_EQ(BarChartTotal(Root, true, WhatIf), 5101 + 412 + 120 + 511);
    EXPECT_EQ(BarRowValue(A, true, false, WhatIf), 5100);
}

TEST_F(BarChartRowsTest, AFolderWithoutItsRecordCountsAsEmpty) {
    TFolderNode* pending = T.Add(Root, "pending");
    EXPECT_EQ(BarRowValue(pending, true, true, WhatIf), 0);
    EXPECT_EQ(BarChartTotal(pending, true, WhatIf), 0);
    EXPECT_EQ(BarRowValue(nullptr, true, true, WhatIf), 0);
}

TEST(BarLength, ShareOfTheGraphWidthTruncated) {
    EXPECT_EQ(BarLength(200, 1, 3), 66);
    EXPECT_EQ(BarLength(200, 2, 3), 133);
    EXPECT_EQ(BarLength(200, 3, 3), 200);
    EXPECT_EQ(BarLength(200, 0, 3), 0);
    EXPECT_EQ(BarLength(7, 1, 1000), 0);
    // Sizes far beyond 32 bits keep their share.
    EXPECT_EQ(BarLength(300, std::int64_t{1} << 50, std::int64_t{3} << 49), 200);
}

TEST(BarLength, NothingForAnEmptyWholeAndNeverPastTheColumn) {
    EXPECT_EQ(BarLength(200, 0, 0), 0);
    EXPECT_EQ(BarLength(200, 50, 0), 0);
    EXPECT_EQ(BarLength(200, 50, -10), 0);
    EXPECT_EQ(BarLength(200, 400, 100), 200);
    EXPECT_EQ(BarLength(0, 5, 10), 0);
    EXPECT_EQ(BarLength(-5, 5, 10), 0);
}

TEST_F(BarChartRowsTest, ModelHoldsOneRowPerNodeAndNoText) {
    TBarChartModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetRows(PreOrderNodes(Root));
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.NodeAt(2), A1);
    EXPECT_EQ(model.NodeAt(6), nullptr);
    EXPECT_EQ(model.NodeAt(-1), nullptr);
    EXPECT_FALSE(model.data(model.index(0), Qt::DisplayRole).isValid());
    EXPECT_TRUE(model.flags(model.index(0)) & Qt::ItemIsSelectable);
    model.SetRows(PreOrderNodes(B));
    EXPECT_EQ(model.rowCount(), 1);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.NodeAt(0), nullptr);
}

} // namespace
