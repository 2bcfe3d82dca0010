// The "What Grew" window. The list and its order come from the comparison;
// the window only shows them.
#include "ui/main/WhatGrewBox.h"

#include "engine/Formatting.h"
#include "models/SubfolderList.h"
#include "shell/HelpWindow.h"
#include "shell/ShellPaths.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* Cell(const QString& text, const QString& hint, bool right) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(hint);
    if (right)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TWhatGrewBox::TWhatGrewBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("WhatGrewBox"));
    setWindowTitle(tr("What Grew"));
    auto* column = new QVBoxLayout(this);
    txtWhatGrewSource = new QLabel(this);
    txtWhatGrewSource->setObjectName(QStringLiteral("txtWhatGrewSource"));
    txtWhatGrewSource->setWordWrap(true);
    txtWhatGrewSource->setTextFormat(Qt::PlainText);
    column->addWidget(txtWhatGrewSource);
    GrowthList = new QTableWidget(0, 4, this);
    GrowthList->setObjectName(QStringLiteral("GrowthList"));
    GrowthList->setHorizontalHeaderLabels({tr("Folder"), tr("Then"), tr("Now"), tr("Change")});
    GrowthList->verticalHeader()->hide();
    GrowthList->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrowthList->setSelectionMode(QAbstractItemView::SingleSelection);
    GrowthList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrowthList->setWordWrap(false);
    GrowthList->setTextElideMode(Qt::ElideMiddle);
    GrowthList->setShowGrid(false);
    QHeaderView* header = GrowthList->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 4; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    GrowthList->verticalHeader()->setDefaultSectionSize(GrowthList->fontMetrics().height() + 6);
    column->addWidget(GrowthList, 1);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    column->addWidget(buttons);
    resize(720, 460);

    connect(GrowthList, &QTableWidget::cellDoubleClicked, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelp(HelpCompare, this); });
}

void TWhatGrewBox::Show(const TScanComparison& comparison) {
    const std::vector<TGrowth> grew = comparison.WhatGrew(MaxRows);
    const std::string base = NodePath(&comparison.Base());
    txtWhatGrewSource->setText(
        tr("Folders of %1 that grew since the earlier scan (%2), largest growth first:")
            .arg(DisplayPath(base), ScanFileTitle(comparison.Info())));
    if (grew.empty())
        txtWhatGrewSource->setText(tr("Nothing in %1 grew since the earlier scan (%2).")
                                       .arg(DisplayPath(base), ScanFileTitle(comparison.Info())));
    GrowthList->setRowCount(0);
    GrowthList->setRowCount(static_cast<int>(grew.size()));
    Nodes.clear();
    for (std::size_t i = 0; i < grew.size(); ++i) {
        const TGrowth& g = grew[i];
        const int row = static_cast<int>(i);
        Nodes.push_back(g.Node);
        const QString path =
            DisplayPath(g.RelativePath.empty() ? base : base + "/" + g.RelativePath);
        GrowthList->setItem(row, 0, Cell(path, path, false));
        GrowthList->setItem(row, 1,
                            g.Then ? Cell(FormatSize(*g.Then), FormatBytes(*g.Then), true)
                                   : Cell(NewFolderText(), tr("New since the earlier scan"), true));
        GrowthList->setItem(row, 2, Cell(FormatSize(g.Now), FormatBytes(g.Now), true));
        GrowthList->setItem(row, 3, Cell(FormatSignedSize(g.Change), FormatBytes(g.Change), true));
    }
    if (!grew.empty())
        GrowthList->selectRow(0);
}

void TWhatGrewBox::Choose() {
    const int row = GrowthList->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= Nodes.size())
        return;
    ChosenFolder = Nodes[static_cast<std::size_t>(row)];
    accept();
}
