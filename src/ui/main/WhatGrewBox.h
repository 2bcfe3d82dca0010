// "What Grew": the folders of the compared folder that grew most since the
// earlier scan, largest growth first; a double click chooses one.
#pragma once

#include "snapshot/Comparison.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QTableWidget;

class TWhatGrewBox : public QDialog {
    Q_OBJECT
public:
    explicit TWhatGrewBox(QWidget* owner);

    // Lists the MaxRows folders that grew most.
    void Show(const TScanComparison& comparison);
    // The folder chosen by a double click (or OK on a selected row), valid
    // while the tree is not changed.
    const TFolderNode* ChosenNode() const { return ChosenFolder; }

    static constexpr std::size_t MaxRows = 1000;

    QLabel* txtWhatGrewSource = nullptr;
    QTableWidget* GrowthList = nullptr;

private:
    void Choose();

    const TFolderNode* ChosenFolder = nullptr;
    std::vector<const TFolderNode*> Nodes;
};
