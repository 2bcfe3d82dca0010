// "File Types..." from the View menu: the window opens on the current folder,
// follows the selection and the cluster size picked while it is shown, names
// the extension of a clicked row (whose files the largest files window
// then lists), saves its rows as CSV, and keeps its place.
#include "WindowTest.h"
#include "engine/FolderSize.h"
#include "models/FileTypesModel.h"
#include "settings/ConfigKeys.h"
#include "ui/main/FileTypesBox.h"
#include "ui/main/LargestFilesBox.h"

#include <QSignalSpy>
#include <QTest>

namespace {

class FileTypesCommandTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeFile("drive/a.jpg", 3000);
        Temp.MakeFile("drive/sub/b.txt", 10);
        Temp.MakeFile("drive/sub/c.JPG", 1);
        MakeForm();
        Form->show();
        Form->Session().ScanOrRescanDrive(Root);
        Select("");
    }

    // The window's rows once the count asked last has arrived.
    const TFileTypesModel& Counted(TFileTypesBox& box) {
        const TFileTypesModel& model = box.Model();
        QSignalSpy changed(&model, &TFileTypesModel::Changed);
        while (model.State() == TFileTypesModel::TState::Counting)
            EXPECT_TRUE(changed.wait(10000));
        return model;
    }

    static const TFileTypeFigures* Figures(const TFileTypesModel& model, const char* extension) {
        for (const TFileCategoryRow& kind : model.Categories())
            for (const TFileTypeRow& row : kind.Types)
                if (FileExtensionName(row.Figures.Extension) == extension)
                    return &row.Figures;
        return nullptr;
    }
};

TEST_F(FileTypesCommandTest, FollowsTheSelectionNamesTheClickedExtensionAndSaves) {
    TFileTypesBox& box = *Form->FileTypesBox();
    Action("cmdViewFileTypes")->trigger();
    ASSERT_TRUE(box.isVisible());
    EXPECT_TRUE(box.windowTitle().endsWith(QString::fromStdString(Root)));
    const TFileTypesModel& model = Counted(box);
    ASSERT_EQ(model.State(), TFileTypesModel::TState::Ready);
    ASSERT_TRUE(Figures(model, "jpg"));
    EXPECT_EQ(Figures(model, "jpg")->Files, 2u);
    EXPECT_EQ(Figures(model, "jpg")->Size, 3001);

    // A click on the extension's row names it; on the kind's row, nothing.
    QSignalSpy chosen(&box, &TFileTypesBox::ExtensionChosen);
    const QModelIndex images = box.TypeList->model()->index(0, 0);
    const QModelIndex jpg = box.TypeList->model()->index(0, 0, images);
    ASSERT_EQ(jpg.data().toString(), QStringLiteral(".jpg"));
    QTest::mouseClick(box.TypeList->viewport(), Qt::LeftButton, {},
                      box.TypeList->visualRect(images).center());
    QTest::mouseClick(box.TypeList->viewport(), Qt::LeftButton, {},
                      box.TypeList->visualRect(jpg).center());
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(FileExtensionName(chosen.at(0).at(0).value<TExtensionId>()), "jpg");
    // The window lists that type's files of the whole tree, largest first.
    TLargestFilesBox& largest = *Form->LargestFilesBox();
    EXPECT_TRUE(largest.isVisible());
    TLargestFilesModel& files = largest.Model();
    for (int i = 0; i < 500 && files.Searching(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(files.rowCount(), 2);
    EXPECT_EQ(files.Cells(0)[TLargestFilesModel::ColName], QStringLiteral("a.jpg"));
    EXPECT_EQ(files.Cells(1)[TLargestFilesModel::ColName], QStringLiteral("c.JPG"));
    largest.close();

    // The window follows the selection, and the cluster size picked.
    Select("sub");
    Counted(box);
    EXPECT_EQ(Figures(model, "jpg")->Files, 1u);
    EXPECT_EQ(model.FolderSize(), 11);
    Form->Session().SetWhatIfIndex(1);
    Counted(box);
    EXPECT_EQ(Figures(model, "txt")->Wasted, ClusterSlack(AltClusterSizes[1], 10));

    // The rows as CSV: a heading and one line per extension, sizes in bytes.
    const std::string csv = Temp.Path("types.csv");
    ASSERT_TRUE(box.SaveCsv(csv));
    QFile file(QString::fromStdString(csv));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Extension,Category,Files,Size"));
    const QByteArray txt = (lines[1].startsWith(".txt") ? lines[1] : lines[2]).trimmed();
    EXPECT_TRUE(txt.startsWith(".txt,Documents,1,10,")) << txt.toStdString();
    EXPECT_TRUE(txt.endsWith(",502,90.91")) << txt.toStdString();

    // Closed, it follows nothing and lets go of the lists; its place stays.
    box.move(40, 50);
    box.close();
    EXPECT_EQ(model.State(), TFileTypesModel::TState::Empty);
    Select("");
    EXPECT_EQ(model.State(), TFileTypesModel::TState::Empty);
    Form.reset();
    EXPECT_NE(Store.Int(Keys::FileTypesBoxLeft), AbsentValue);
}

} // namespace
