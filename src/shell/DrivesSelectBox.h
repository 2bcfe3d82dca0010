// The "Scan Drives" dialog: the user checks the drives to scan, may map or
// disconnect network drives first, and the main window reads afterwards
// whether to scan and which drives.
#pragma once

#include <QDialog>
#include <string>

class QGroupBox;
class QLabel;
class QPushButton;
class TShExDriveCheckListBox;

class TDrivesSelectBox : public QDialog {
    Q_OBJECT
public:
    explicit TDrivesSelectBox(QWidget* owner = nullptr);

    // Whether the dialog ended with "&Scan"; the drives are the checked ones
    // of TheDrivesBox, in list order.
    bool ScanRequested() const { return ScanRequestedFlag; }

    // The file of the running program, by which the dialog preselects its
    // drive.
    static std::string ProgramFilePath();

    QLabel* Label1 = nullptr; // what scanning is and why it comes first
    QLabel* Label2 = nullptr; // the promise that a scan changes nothing
    QLabel* imgDrive = nullptr;
    QGroupBox* GroupBox1 = nullptr; // frames the drive list and its (de)select-all buttons
    TShExDriveCheckListBox* TheDrivesBox = nullptr;
    QPushButton* cmdScan = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdSelectAll = nullptr;
    QPushButton* cmdDeselectAll = nullptr;
    QPushButton* Button1 = nullptr; // "Map Network Drive": asks for a share and mounts it
    QPushButton* Button2 = nullptr; // "Disconnect Network Drive": unmounts a chosen share

public slots:
    void FormCreate();
    void cmdSelectAllClick();
    void cmdScanClick();
    void cmdCancelClick();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ListAnew();

    bool ScanRequestedFlag = false;
};
