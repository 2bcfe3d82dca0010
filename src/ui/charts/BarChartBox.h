// The tree bar chart window: the selected folder and every folder below it,
// one row each, with a bar for the folder's share of the whole and its name
// or path. Opened modally by the main window, which reads back the folder the
// user chose. One instance lives as long as the main window.
#pragma once

class TProgramSettings;

#include "engine/FolderNode.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QHeaderView;
class QLabel;
class QListView;
class QPainter;
class QStatusBar;
class QStyleOptionViewItem;
class TBarChartModel;
class TSettingsStore;

class TBarChartBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowHeight = 24;
    static constexpr int StatusPanel0Width = 100;

    // Starts at its first placement, half the width for the graph, both
    // boxes ticked.
    // settings: the program's, which the box reads and must outlive it.
    explicit TBarChartBox(TProgramSettings& settings, QWidget* owner = nullptr);
    ~TBarChartBox() override;

    // The placement, the graph width and the two check boxes as last left.
    void LoadSettings(const TSettingsStore& store);
    void SaveSettings(TSettingsStore& store) const;

    // Fills the window for node and its whole subtree.
    // whatIfIndex: the cluster size whose wasted space the bars include.
    void ShowFolder(TFolderNode* node, int whatIfIndex = 0);
    // Raw bytes of the folder the user chose; empty when the window was left
    // without a choice.
    const std::string& SelectedPath() const { return ChosenPath; }
    std::int64_t Total() const { return TotalBytes; }
    TFolderNode* ShownRoot() const { return Root; }
    int RowCount() const;
    TFolderNode* RowNode(int row) const;
    // Width of the "Graph" column and of the "Folder" column.
    int GraphWidth() const;
    int FolderWidth() const;
    // What a row shows after its bar: the path shortened to width, or the
    // name indented by the node's depth in the whole tree.
    QString RowText(const TFolderNode* node, const QFontMetrics& metrics, int width) const;

    // Draws one row into option.rect.
    void BarListDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                         const TFolderNode* node) const;

    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QCheckBox* chkIncludeSubfolders = nullptr;
    QCheckBox* chkShowFullPath = nullptr;
    QLabel* Label1 = nullptr;
    QHeaderView* TheHeader = nullptr;
    QListView* BarList = nullptr;
    QStatusBar* TheStatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;

public slots:
    void BarListClick();
    void BarListDblClick();
    void chkIncludeSubfoldersClick();
    void TheHeaderSectionResize();
    // The tree is about to lose folders: rows may point at them, so the
    // window lets go of every row and closes without a choice.
    void ForgetRows();
    // Every way of closing ends here; no row outlives the visit.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Enter chooses the selected row, Escape leaves; true when handled.
    bool FormKeyPress(int key);
    void ChooseSelectedRow();

    TBarChartModel* Rows = nullptr;
    TFolderNode* Root = nullptr;
    std::int64_t TotalBytes = 0;
    std::string ChosenPath;
    int WhatIfIndex = 0;
    TProgramSettings& Options;
    TProgramSettings& Settings() const { return Options; }
};
