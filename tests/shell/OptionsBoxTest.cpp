// The "Options" dialog driven as a user would: it edits copies, OK applies
// everything or nothing, and the file managers' entry is written so that
// GLib's parsers (those of Caja, PCManFM and Nemo) and sh run the program.
#include "shell/OptionsBox.h"
#include "common/TempTree.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/FileManagerEntry.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <glib.h>
#include <gtest/gtest.h>

namespace {

// Three made-up drives, the file managers' data folder of the test's own,
// and every message box recorded.
class OptionsBoxTest : public ::testing::Test {
protected:
    OptionsBoxTest() : OldData(qgetenv("XDG_DATA_HOME")) {
        Temp.MakeDir("data");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(Temp.Path("data")));
    }
    ~OptionsBoxTest() override { qputenv("XDG_DATA_HOME", OldData); }

    // Every setting the dialog edits, as one text.
    static QString State(const TProgramSettings& s) {
        QString text = s.DrivesToAutoScan.Value;
        for (const bool on : {s.IncludeWastedInformation.Value, s.ShowFileNames.Value,
                              s.AutoExpand.Value, s.AutoCollapse.Value})
            text += on ? QStringLiteral(" 1") : QStringLiteral(" 0");
        for (const double angle :
             {s.MinFileSectionAngle, s.MinFolderSectionAngle, s.MinTextSectionAngle})
            text += QLatin1Char(' ') + QString::number(angle, 'g', 17);
        for (const std::uint32_t color : s.Colors)
            text += QLatin1Char(' ') + QString::number(color, 16);
        return text;
    }

    TDriveSourceOverride Drives{[] {
        std::vector<Platform::TDrive> drives(3);
        const char* roots[] = {"/", "/home", "/media/anna/USB"};
        for (int i = 0; i < 3; ++i) {
            drives[i].RootPath = drives[i].DisplayName = roots[i];
            drives[i].Type = Platform::TDriveType::Fixed;
        }
        return drives;
    }};
    TMessageBoxScript Boxes;
    TTempTree Temp;
    QByteArray OldData;
};

// Answers the colour dialog, once open, with `color`.
void AnswerColor(QObject* context, const QColor& color) {
    QTimer::singleShot(0, context, [color] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setCurrentColor(color);
        dialog->accept();
    });
}

// The program an Exec line runs, read as GLib reads it (the trailing field
// code stands for the folder).
QString ExecProgram(const QString& file, const char* group) {
    GKeyFile* keys = g_key_file_new();
    QString program;
    gchar* exec = nullptr;
    gchar** argv = nullptr;
    if (g_key_file_load_from_file(keys, QFile::encodeName(file).constData(), G_KEY_FILE_NONE,
                                  nullptr) &&
        (exec = g_key_file_get_string(keys, group, "Exec", nullptr)) != nullptr) {
        QString line = QString::fromUtf8(exec).chopped(3).replace(QStringLiteral("%%"), "%");
        if (g_shell_parse_argv(line.toUtf8().constData(), nullptr, &argv, nullptr))
            program = QString::fromUtf8(argv[0]) + (argv[1] ? QStringLiteral(" +more") : "");
    }
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(keys);
    return program;
}

TEST_F(OptionsBoxTest, EditsCopiesAndAppliesEverythingOnOkOnly) {
    TProgramSettings settings;
    settings.IncludeWastedInformation.Value = false;
    settings.AutoExpand.Value = true;
    settings.MinFolderSectionAngle = 3.0;
    settings.DrivesToAutoScan.Value = JoinDriveList({"/home", "/media/anna/USB", "/gone"});
    const QString before = State(settings);
    // A program whose path has everything that quoting can get wrong.
    const std::string folder = Temp.Path("Quill mere $HOME 'a' \"b\" `c` 100%");
    Temp.MakeDir(folder.substr(Temp.Root().size() + 1));
    const QString program = QString::fromStdString(folder + "/quillmere");
    QFile fake(program);
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n");
    fake.close();
    fake.setPermissions(fake.permissions() | QFileDevice::ExeOwner);

    auto box = std::make_unique<TOptionsBox>(settings);
    box->ProgramPath = program;
    box->show();
    EXPECT_EQ(box->ediMinFileSection->text(), QStringLiteral("0.556"));
    EXPECT_EQ(box->ediMinFolderSection->text(), QStringLiteral("0.833"));
    EXPECT_EQ(box->ediMinTextSection->text(), QStringLiteral("1.389"));
    EXPECT_TRUE(box->chkAutoExpand->isChecked());
    EXPECT_EQ(box->TheDrivesBox->CheckedDrives(), (QStringList{"/home", "/media/anna/USB"}));
    // Room for five whole rows, not five and a part of a sixth.
    EXPECT_EQ(box->TheDrivesBox->viewport()->height(), 5 * box->TheDrivesBox->sizeHintForRow(0));
    EXPECT_FALSE(box->chkExplorerMenu->isChecked());

    // Colours change in the copy only, through the colour dialog.
    box->Button1->click();
    box->lbColors->setCurrentRow(ciPieFile);
    AnswerColor(box.get(), QColor(200, 100, 0));
    box->TheColorButton->click();
    EXPECT_EQ(box->ColorCopy()[ciPieFile], ColorWordOf(QColor(200, 100, 0)));

    // A bad third threshold: nothing at all is applied, the dialog stays.
    box->chkIncludeWasted->setChecked(true);
    box->chkAutoCollapse->setChecked(true);
    box->chkExplorerMenu->setChecked(true);
    box->TheDrivesBox->SetChecked(0, true);
    box->TheDrivesBox->SetChecked(2, false);
    box->ediMinFileSection->setText(QStringLiteral("100"));
    box->ediMinTextSection->setText(QStringLiteral("150"));
    box->cmdOK->click();
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_TRUE(Boxes.Shown()[0].Text.startsWith(QStringLiteral("\"150\" ")));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(State(settings), before);
    EXPECT_FALSE(FileManagerEntryPresent());

    // Corrected, with the decimal comma of other locales: all of it applies.
    box->ediMinTextSection->setText(QStringLiteral("0,5"));
    box->cmdOK->click();
    EXPECT_TRUE(box->Accepted);
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(settings.IncludeWastedInformation.Value);
    EXPECT_TRUE(settings.AutoCollapse.Value);
    EXPECT_EQ(settings.MinFileSectionAngle, 360.0);
    // An edit left alone keeps the angle, not its rounding to 3 decimals.
    EXPECT_EQ(settings.MinFolderSectionAngle, 3.0);
    EXPECT_DOUBLE_EQ(settings.MinTextSectionAngle, 1.8);
    EXPECT_EQ(SplitDriveList(settings.DrivesToAutoScan.Value), (QStringList{"/", "/home"}));
    EXPECT_EQ(settings.Colors, box->ColorCopy());

    // Every file manager's entry runs that program on the folder.
    ASSERT_TRUE(FileManagerEntryPresent());
    const QString data = UserDataFolder();
    const std::pair<QString, const char*> execs[] = {
        {FileManagerEntryMark(), "Desktop Action analyzeWithQuillmere"},
        {data + "/file-manager/actions/quillmere-analyze.desktop", "X-Action-Profile folder"},
        {data + "/nemo/actions/quillmere-analyze.nemo_action", "Nemo Action"}};
    for (const auto& [file, group] : execs)
        EXPECT_EQ(ExecProgram(file, group), program) << file.toStdString();
    EXPECT_TRUE(QFileInfo(FileManagerEntryMark()).isExecutable());
    const QString script = data + "/nautilus/scripts/Analyze with Quillmere";
    ASSERT_TRUE(QFileInfo(script).isExecutable());
    QProcess nautilus;
    nautilus.setWorkingDirectory(QString::fromStdString(Temp.Root()));
    nautilus.start(script, {QStringLiteral("a folder")});
    ASSERT_TRUE(nautilus.waitForFinished());
    QFile arguments(QString::fromStdString(folder + "/arguments"));
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
    EXPECT_EQ(arguments.readAll(), QByteArray("a folder\n"));

    // Opened again it shows what was stored; cleared, the entry goes.
    box = std::make_unique<TOptionsBox>(settings);
    EXPECT_TRUE(box->chkExplorerMenu->isChecked());
    EXPECT_EQ(box->ediMinTextSection->text(), QStringLiteral("0.500"));
    box->show();
    box->chkExplorerMenu->setChecked(false);
    box->cmdOK->click();
    EXPECT_TRUE(box->Accepted);
    for (const TEntryFile& file : FileManagerEntryFiles(program))
        EXPECT_FALSE(QFileInfo::exists(file.Path)) << file.Path.toStdString();
    EXPECT_FALSE(TOptionsBox(settings).chkExplorerMenu->isChecked());
}

TEST_F(OptionsBoxTest, ARefusedOkChangesNothing) {
    TProgramSettings settings;
    // A damaged drive list checks nothing and breaks nothing.
    settings.DrivesToAutoScan.Value = QStringLiteral("cd;\\;;;/nowhere;;/home\\");
    const QString before = State(settings);
    // A file where Dolphin's folder would have to be: even root cannot
    // write below it. The last case is the only one with good thresholds.
    Temp.MakeFile("data/kio", 1);
    const QString bad[] = {"150", "", "-1", "1e400", "abc", "nan", "1.000,5", "100.0001", "1"};
    for (const QString& text : bad) {
        Boxes.ClearShown();
        TOptionsBox box(settings);
        box.show();
        EXPECT_TRUE(box.TheDrivesBox->CheckedDrives().isEmpty());
        // The first two are good and new; they must not be applied alone.
        box.ediMinFileSection->setText(QStringLiteral("10"));
        box.ediMinFolderSection->setText(QStringLiteral("20"));
        box.ediMinTextSection->setText(text);
        box.chkShowFileNames->setChecked(!settings.ShowFileNames.Value);
        box.chkExplorerMenu->setChecked(true);
        box.cmdOK->click();
        ASSERT_EQ(Boxes.Shown().size(), 1u) << text.toStdString();
        const QString message = Boxes.Shown()[0].Text;
        if (text == QLatin1String("1")) {
            EXPECT_TRUE(message.contains(UserDataFolder() + "/kio")) << message.toStdString();
        } else {
            EXPECT_TRUE(message.startsWith(QLatin1Char('"') + text + "\" "));
            EXPECT_EQ(box.focusWidget(), box.ediMinTextSection);
        }
        EXPECT_TRUE(box.isVisible());
        box.cmdCancel->click();
        EXPECT_FALSE(box.Accepted);
        EXPECT_EQ(State(settings), before) << text.toStdString();
        // No half entry is left behind.
        for (const TEntryFile& file : FileManagerEntryFiles(QString()))
            EXPECT_FALSE(QFileInfo::exists(file.Path)) << file.Path.toStdString();
    }
}

} // namespace
