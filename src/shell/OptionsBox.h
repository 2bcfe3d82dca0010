// The "Options" dialog: colours, the pie's switches and thresholds, the
// drives scanned at start-up and the file managers' "Analyze with Quillmere"
// entry. It edits copies; OK checks everything that can be wrong first and
// then applies it all, so a refused OK or Cancel leaves the settings as they
// were. The main window reads Accepted afterwards and shows the changes.
#pragma once

#include "settings/ColorTable.h"

#include <QDialog>
#include <QString>
#include <array>

class QCheckBox;
class QColorDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TProgramSettings;
class TShExDriveCheckListBox;

class TOptionsBox : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsBox(TProgramSettings& settings, QWidget* owner = nullptr);

    // True once OK has applied the changes.
    bool Accepted = false;

    // The dialog's own colour table, copied back on OK.
    const TColorTable& ColorCopy() const { return Colors; }

    // The program the file managers' entry runs; the running one by default.
    QString ProgramPath;

    QGroupBox* grpColors = nullptr;
    QListWidget* lbColors = nullptr;
    QPushButton* TheColorButton = nullptr;
    QPushButton* Button1 = nullptr; // "&Default colors"
    QGroupBox* grpPreferences = nullptr;
    QCheckBox* chkIncludeWasted = nullptr;
    QCheckBox* chkShowFileNames = nullptr;
    QCheckBox* chkAutoExpand = nullptr;
    QCheckBox* chkAutoCollapse = nullptr;
    QCheckBox* chkKeepEveryFile = nullptr;
    QGroupBox* grpPie = nullptr;
    QLineEdit* ediMinFileSection = nullptr;
    QLineEdit* ediMinFolderSection = nullptr;
    QLineEdit* ediMinTextSection = nullptr;
    QPushButton* cmdDefaultValues = nullptr;
    QGroupBox* grpDrives = nullptr;
    TShExDriveCheckListBox* TheDrivesBox = nullptr;
    QCheckBox* chkExplorerMenu = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;
    QColorDialog* TheColorDialog = nullptr;

public slots:
    void FormCreate();
    void lbColorsClick();
    void TheColorButtonClick();
    void Button1Click();
    void cmdDefaultValuesClick();
    void cmdOKClick();
    void cmdCancelClick();
    void cmdHelpClick();

private:
    void CreateComponents();
    void ShowSelectedColor();
    // Shows an angle in its edit and remembers it, so that an edit left as
    // it was gives back the angle itself, not its three-decimal rounding.
    void SetThreshold(int index, double angle);

    TProgramSettings& Settings;
    TColorTable Colors{};
    std::array<QLineEdit*, 3> Edits{};
    std::array<double, 3> ShownAngles{};
    std::array<QString, 3> ShownTexts;
};
