// The floating "Wasted & Drive Info" window: how much of the item under
// attention is wasted space, and how much of the current drive is free.
#pragma once

class TProgramSettings;

#include <QWidget>

class QLabel;
class QMenu;
class TSettingsStore;
class TSimplePieGauge;

class TSectionSizeBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 98;
    static constexpr int DefaultHeight = 238;

    // settings: the program's, which the box reads and must outlive it.
    explicit TSectionSizeBox(TProgramSettings& settings, QWidget* owner = nullptr);
    ~TSectionSizeBox() override;

    // The placement as last left.
    void LoadSettings(const TSettingsStore& store);
    void SaveSettings(TSettingsStore& store) const;

    void SetWasted(int percent, const QString& text);
    // A percent below 0: the free space is not known (the drive did not
    // say); the box says so instead of showing an empty gauge.
    void SetDrive(const QString& drive, int percent, const QString& freeText,
                  const QString& capacityText);
    // A tree opened from a scan file: the file holds no free space, and its
    // path is not a drive of this computer.
    void SetScanFile(const QString& file);
    // Gauge fill colours from the colour table.
    void ApplyGaugeColors();

    TSimplePieGauge* gaugeWasted = nullptr;
    TSimplePieGauge* gaugeDriveFreeSpace = nullptr;
    QLabel* txtWasted = nullptr;
    QLabel* txtDrive = nullptr;
    QLabel* txtDriveFreeSpace = nullptr;
    QLabel* txtDriveCapacity = nullptr;
    QMenu* PopupMenu1 = nullptr;

signals:
    // The user closed the window (close box or "Hide"); hiding it from the
    // program does not count.
    void ClosedByUser();

public slots:
    void popSectionBoxHideClick();
    void popSectionBoxDefaultSizeClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ElideDriveText();
    void ShowFreeSpace(int percent, const QString& freeText, const QString& capacityText);

    QString DriveText;
    QString DrivePath; // empty for a scan file
    QWidget* panWasted = nullptr;
    QWidget* panFreeSpace = nullptr;
    TProgramSettings& Options;
    TProgramSettings& Settings() const { return Options; }
};
