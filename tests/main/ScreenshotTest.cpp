// Pictures of the window on a real folder, for a person to look at. Runs only
// when QUILLMERE_SCREENSHOTS names a folder to write them to; the folder to
// scan is QUILLMERE_SCREENSHOT_SOURCE (default /usr), mounted as a drive of
// its own so the scan covers just that folder.
#include "ModalCloser.h"
#include "TestMounts.h"
#include "settings/MessageBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

TEST(Screenshots, WindowDuringAndAfterAScan) {
    const QString out = ScreenshotFolder();
    if (out.isEmpty())
        GTEST_SKIP() << "set QUILLMERE_SCREENSHOTS to a folder to take pictures";
    const std::string drive = "/tmp/quillmere-shot-drive";
    TTestMount bound;
    if (!bound.BindReadOnly(ScreenshotSource("/usr"), drive))
        GTEST_SKIP() << bound.Error();

    TMessageBoxScript boxes;
    TMainForm form;
    TModalCloser closer;
    form.resize(1000, 680);
    form.show();
    QTest::qWait(100);
    bool grabbed = false;
    QTimer::singleShot(300, &form, [&] {
        form.grab().save(out + "/main-scanning.png");
        grabbed = true;
    });
    form.ScanOrRescanDrive(drive);
    QTest::qWait(50);
    form.SelectPath(drive + "/share");
    QTest::qWait(100);
    form.grab().save(out + "/main-done.png");
    form.SectionSizeBox()->grab().save(out + "/section-size.png");
    form.ShowPage(PageSubfolders);
    QTest::qWait(50);
    form.grab().save(out + "/main-subfolders.png");
    EXPECT_TRUE(form.CurrentNode() && form.CurrentNode()->Data);
    if (!grabbed)
        std::printf("the scan ended before the first picture\n");
}

} // namespace
