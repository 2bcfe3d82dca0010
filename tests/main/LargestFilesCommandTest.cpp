// "Largest Files" from the View menu: the window opens on the current
// folder, follows the selection, selects a file's folder on a double click
// and saves what it shows.
#include "MainFormFixture.h"
#include "ui/main/LargestFilesBox.h"

#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTest>

namespace {

std::vector<QString> Shown(TLargestFilesBox& box) {
    TLargestFilesModel& model = box.Model();
    for (int i = 0; i < 500 && model.Searching(); ++i)
        QTest::qWait(10);
    std::vector<QString> names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.Cells(row)[TLargestFilesModel::ColName]);
    return names;
}

using TNames = std::vector<QString>;

TEST_F(MainFormTest, LargestFilesFollowTheCurrentFolder) {
    Form->Session().ScanOrRescanDrive(Root);
    Select("");
    Action("cmdViewLargestFiles")->trigger();
    TLargestFilesBox* box = Form->LargestFilesBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(Shown(*box), (TNames{"x", "big", "deep", "a.txt"}));
    EXPECT_EQ(box->txtFolder->text(), QString::fromStdString(Root));

    Select("Temp");
    EXPECT_EQ(Shown(*box), (TNames{"big", "deep"}));
    EXPECT_EQ(box->txtFolder->text(), QString::fromStdString(Root + "/Temp"));

    // What is shown is what is saved, sizes in bytes.
    const std::string csv = Temp.Path("largest.csv");
    ASSERT_TRUE(box->SaveCsv(csv));
    QFile saved(QString::fromStdString(csv));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = saved.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith("big,") && lines[1].contains(",4096,")) << lines[1].data();
    EXPECT_TRUE(lines[2].startsWith("deep,")) << lines[2].data();

    // A double click selects the file's folder, and the list follows it.
    QTableView* list = box->FileList;
    emit list->doubleClicked(list->model()->index(1, 0));
    EXPECT_EQ(Form->CurrentPath(), Root + "/Temp/Sub");
    EXPECT_EQ(Shown(*box), (TNames{"deep"}));

    // The what-if cluster size reaches the wasted column.
    Form->Session().SetWhatIfIndex(7);
    Shown(*box);
    EXPECT_EQ(box->Model().Cells(0, true)[TLargestFilesModel::ColWasted], "65436");

    // Closed, the window lists nothing; opened again, it is on the current folder.
    box->close();
    Select("Other");
    Action("cmdViewLargestFiles")->trigger();
    EXPECT_EQ(Shown(*box), (TNames{"x"}));
}

} // namespace
