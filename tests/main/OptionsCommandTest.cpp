// "Options..." from the View menu: what the window shows follows what the
// dialog applied.
#include "WindowTest.h"

#include "engine/FileQueries.h"
#include "shell/OptionsBox.h"
#include "ui/charts/HPieChart.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/PiePage.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

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

// Without "Keep every file", drives scanned from then on keep their folders'
// sums only, the search says that it finds folders alone, and the next start
// of the program scans the same way.
TEST_F(OptionsCommandTest, ScansWithoutKeepingFilesOnceTheSettingIsOff) {
    ASSERT_TRUE(FilesKeptFor(Form->Session().Tree().Roots().front().get()));
    QTimer::singleShot(0, Form.get(), [] {
        auto* box = qobject_cast<TOptionsBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->chkKeepEveryFile->isChecked());
        box->chkKeepEveryFile->setChecked(false);
        box->cmdOK->click();
    });
    Action("cmdViewOptions")->trigger();
    Form->Session().ScanOrRescanDrive(Root);
    const TFolderNode* root = Form->Session().Tree().Roots().front().get();
    EXPECT_FALSE(FilesKeptFor(root));
    EXPECT_TRUE(GatherFiles(root).empty());
    EXPECT_EQ(root->Data->TreeFileCount, 2u) << "the files still count in the sums";

    {
        TFindFoldersBox find(Form->Session().Tree(), Form.get());
        EXPECT_FALSE(find.lblNotKept->isHidden());
        find.Find(QStringLiteral("*"));
        ASSERT_EQ(find.lvResults->topLevelItemCount(), 1);
        EXPECT_EQ(find.lvResults->topLevelItem(0)->text(TFindFoldersBox::ColName),
                  QStringLiteral("Sub"));
    }

    // The setting is kept, and the next window's scans follow it.
    Form.reset();
    MakeForm();
    Form->Session().ScanOrRescanDrive(Root);
    EXPECT_FALSE(FilesKeptFor(Form->Session().Tree().Roots().front().get()));
}

} // namespace
