// "Options..." from the View menu: what the window shows follows what the
// dialog applied.
#include "WindowTest.h"

#include "shell/OptionsBox.h"
#include "ui/charts/HPieChart.h"
#include "ui/main/PiePage.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

class OptionsCommandTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeFile("drive/a.txt", 3000);
        Temp.MakeFile("drive/Sub/b", 5000);
        MakeForm();
        Form->Session().ScanOrRescanDrive(Root);
        Select("");
        Form->ShowPage(PagePie);
    }

    bool PieShowsFiles() const {
        const auto& items = Part<TPiePage>().Content().Items;
        return std::any_of(items.begin() + 1, items.end(),
                           [](const TPieItem& item) { return item.Kind == TPieItemKind::File; });
    }
};

TEST_F(OptionsCommandTest, TheWindowShowsWhatTheDialogApplied) {
    ASSERT_TRUE(Action("toolShowFiles")->isChecked());
    ASSERT_TRUE(PieShowsFiles());
    bool opened = false;
    QTimer::singleShot(0, Form.get(), [&opened] {
        auto* box = qobject_cast<TOptionsBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        opened = true;
        box->chkShowFileNames->setChecked(false);
        box->chkIncludeWasted->setChecked(false);
        box->ediMinTextSection->setText(QStringLiteral("10"));
        box->cmdOK->click();
    });
    Action("cmdViewOptions")->trigger();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(Boxes.Shown().empty());
    EXPECT_FALSE(Action("toolShowFiles")->isChecked());
    EXPECT_FALSE(Action("toolShowWasted")->isChecked());
    // The pie is built again at once, with the new rules.
    EXPECT_FALSE(PieShowsFiles());
    EXPECT_DOUBLE_EQ(Part<TPiePage>().Chart().MinLabelAngle, 36.0);
}

} // namespace
