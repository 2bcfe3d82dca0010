// The flat row list of the tree bar chart.
#include "models/BarChartModel.h"

void TBarChartModel::SetRows(std::vector<TFolderNode*> rows) {
    beginResetModel();
    Rows = std::move(rows);
    endResetModel();
}

void TBarChartModel::Clear() {
    SetRows({});
}

TFolderNode* TBarChartModel::NodeAt(int row) const {
    if (row < 0 || row >= Count())
        return nullptr;
    return Rows[static_cast<std::size_t>(row)];
}

int TBarChartModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant TBarChartModel::data(const QModelIndex&, int) const {
    // Everything a row shows is drawn from its node by the window.
    return {};
}

Qt::ItemFlags TBarChartModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
