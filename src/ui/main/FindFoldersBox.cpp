#include "ui/main/FindFoldersBox.h"

#include "engine/Formatting.h"
#include "shell/ShellPaths.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

TFindFoldersBox::TFindFoldersBox(const TFolderTree& tree, QWidget* owner)
    : QDialog(owner), Tree(tree) {
    setObjectName(QStringLiteral("FindFoldersBox"));
    setWindowTitle(tr("Find Folders"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(
        tr("Folders of the scanned drives whose name matches (* and ? as wildcards):"), this));
    auto* row = new QHBoxLayout;
    ediPattern = new QLineEdit(this);
    ediPattern->setObjectName(QStringLiteral("ediPattern"));
    auto* find = new QPushButton(tr("&Find"), this);
    find->setDefault(true);
    row->addWidget(ediPattern, 1);
    row->addWidget(find);
    column->addLayout(row);
    lvResults = new QTreeWidget(this);
    lvResults->setObjectName(QStringLiteral("lvResults"));
    lvResults->setRootIsDecorated(false);
    lvResults->setHeaderLabels({tr("Folder"), tr("Size")});
    lvResults->header()->setStretchLastSection(false);
    lvResults->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    column->addWidget(lvResults, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close, this);
    column->addWidget(buttons);
    resize(640, 420);

    connect(find, &QPushButton::clicked, this, [this] { Find(ediPattern->text()); });
    connect(ediPattern, &QLineEdit::returnPressed, this, [this] { Find(ediPattern->text()); });
    connect(lvResults, &QTreeWidget::itemDoubleClicked, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TFindFoldersBox::Find(const QString& pattern) {
    lvResults->clear();
    const QString wanted = pattern.trimmed().isEmpty() ? QStringLiteral("*") : pattern.trimmed();
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(
                                       wanted, QRegularExpression::UnanchoredWildcardConversion),
                                   QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(match.pattern()),
                                   QRegularExpression::CaseInsensitiveOption);
    std::vector<const TFolderNode*> pending;
    for (auto it = Tree.Roots().rbegin(); it != Tree.Roots().rend(); ++it)
        pending.push_back(it->get());
    int found = 0;
    // Depth first, in the tree's own order; no recursion, so any depth works.
    while (!pending.empty() && found < MaxResults) {
        const TFolderNode* node = pending.back();
        pending.pop_back();
        if (node->Parent && whole.match(DisplayText(node->Name)).hasMatch()) {
            auto* item = new QTreeWidgetItem(lvResults);
            const std::string path = NodePath(node);
            item->setText(0, DisplayPath(path));
            item->setData(0, Qt::UserRole, QByteArray::fromStdString(path));
            item->setText(1, node->Data ? FormatSize(node->Data->TreeSize) : tr("not scanned"));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            ++found;
        }
        for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
            pending.push_back(it->get());
    }
    if (lvResults->topLevelItemCount() > 0)
        lvResults->setCurrentItem(lvResults->topLevelItem(0));
}

void TFindFoldersBox::Choose() {
    const QTreeWidgetItem* item = lvResults->currentItem();
    if (!item)
        return;
    Chosen = item->data(0, Qt::UserRole).toByteArray().toStdString();
    accept();
}
