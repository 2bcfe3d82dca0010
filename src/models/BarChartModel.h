// The rows of the tree bar chart as a list model: one row per folder node,
// held as a flat vector of pointers. Rows carry no text; the window's
// delegate draws each one from its node when it comes into view, so a
// subtree of a hundred thousand folders costs one pointer per row.
#pragma once

#include "engine/FolderNode.h"

#include <QAbstractListModel>

#include <vector>

class TBarChartModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void SetRows(std::vector<TFolderNode*> rows);
    void Clear();
    // The node of a row, or none outside the rows.
    TFolderNode* NodeAt(int row) const;
    int Count() const { return static_cast<int>(Rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<TFolderNode*> Rows;
};
