// The "Wasted Space" page: the current folder's wasted space at each of the
// seven what-if cluster sizes, the drive's own size standing out.
#pragma once

#include "engine/FolderSize.h"
#include "models/FolderInfoContent.h"
#include "ui/main/ContentPage.h"

#include <array>

class QLabel;
class TClickLabel;
class TPathLabel;
class TSimplePieGauge;

class TWastedPage : public TContentPage {
    Q_OBJECT
public:
    TWastedPage(TPageHost& host, QWidget* parent);

    void Fill() override;
    void Layout() override;

    const TWastedContent& Content() const { return Shown; }

    QWidget* panWebWastedPath = nullptr;
    QLabel* txtWebWastedAmount = nullptr;
    TPathLabel* txtWebWastedPath = nullptr;
    QLabel* txtWebWastedAtDiff = nullptr;
    // Indexed 0..6 for the panels 1..7.
    std::array<QWidget*, AltClusterCount> panWasted{};
    std::array<QLabel*, AltClusterCount> capWasted{};
    std::array<TSimplePieGauge*, AltClusterCount> WastedInd{};
    std::array<QLabel*, AltClusterCount> txtWasted{};
    TClickLabel* txtWebReduceWaste = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void txtWebReduceWasteClick();

    TWastedContent Shown;
};
