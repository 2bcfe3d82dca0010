// The archive dialog's progress page and the run of the archive component on
// a background job.
#include "ui/cleanup/ArchiveProgressPage.h"

#include "engine/Paths.h"
#include "settings/Product.h"
#include "shell/JobWait.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Caption() {
    return QString::fromLatin1(ProductTitle);
}

QLabel* Named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// Fills a result line naming a drive, whose name holds its root path: a
// wrapped line would break that path anywhere, so the name is shortened in
// its middle to the room the line leaves, and the whole line is the tooltip.
void SetDriveLine(QLabel* label, const QString& format, const QString& size, const QString& drive) {
    const QFontMetrics metrics = label->fontMetrics();
    const int room =
        label->contentsRect().width() - metrics.horizontalAdvance(format.arg(size, QString()));
    const QString whole = format.arg(size, drive);
    label->setText(
        format.arg(size, metrics.elidedText(drive, Qt::ElideMiddle,
                                            std::max(room, 12 * metrics.averageCharWidth()))));
    label->setToolTip(label->text() == whole ? QString() : whole);
}

} // namespace

TArchiveProgressPage::TArchiveProgressPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sheetProgress"));
    // The title in the theme's text colour over a faint shadow of itself, so
    // it reads on light and dark themes alike.
    auto* titles = new QWidget(this);
    txtProgressTitle2 = Named(new QLabel(titles), "txtProgressTitle2");
    txtProgressTitle1 = Named(new QLabel(titles), "txtProgressTitle1");
    QFont big = txtProgressTitle1->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    for (QLabel* label : {txtProgressTitle1, txtProgressTitle2})
        label->setFont(big);
    QPalette shadow = txtProgressTitle2->palette();
    shadow.setColor(QPalette::WindowText, shadow.color(QPalette::Mid));
    txtProgressTitle2->setPalette(shadow);
    txtProgressTitle2->move(1, 1);
    txtProgressTitle1->move(0, 0);
    titles->setMinimumHeight(QFontMetrics(big).height() + 2);
    txtProgressFile = Named(new QLabel(this), "txtProgressFile");
    pbOverall = new QProgressBar(this);
    pbOverall->setObjectName(QStringLiteral("pbOverall"));
    pbOverall->setRange(0, 100);
    pbOverall->setTextVisible(false);
    txtProgress = Named(new QLabel(QStringLiteral("0%"), this), "txtProgress");
    // Room for "100%" from the start, so the bar keeps its length.
    txtProgress->setMinimumWidth(
        txtProgress->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
    txtProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdStop = new QPushButton(tr("Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    connect(cmdStop, &QPushButton::clicked, this, &TArchiveProgressPage::cmdStopClick);
    panResults = new QWidget(this);
    panResults->setObjectName(QStringLiteral("panResults"));
    txtCResults1 = Named(new QLabel(panResults), "txtCResults1");
    txtCResults2 = Named(new QLabel(panResults), "txtCResults2");
    txtCResults3 = Named(new QLabel(panResults), "txtCResults3");
    QFont bold = txtCResults3->font();
    bold.setBold(true);
    txtCResults3->setFont(bold);
    for (QLabel* label : {txtCResults1, txtCResults2, txtCResults3})
        label->setWordWrap(true);
    auto* results = new QVBoxLayout(panResults);
    results->addWidget(txtCResults1);
    results->addWidget(txtCResults2);
    results->addWidget(txtCResults3);
    panResults->hide();

    auto* bar = new QHBoxLayout;
    bar->addWidget(pbOverall, 1);
    bar->addWidget(txtProgress);
    auto* stop = new QHBoxLayout;
    stop->addStretch();
    stop->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titles);
    layout->addWidget(txtProgressFile);
    layout->addLayout(bar);
    layout->addLayout(stop);
    layout->addWidget(panResults);
    layout->addStretch();
}

void TArchiveProgressPage::SetTitle(const QString& title) {
    for (QLabel* label : {txtProgressTitle1, txtProgressTitle2}) {
        label->setText(title);
        label->adjustSize();
    }
}

void TArchiveProgressPage::Begin(const QString& title, std::int64_t totalBytes,
                                 const std::string& folderPath) {
    SetTitle(title);
    FolderPath = folderPath;
    Reset(totalBytes);
}

void TArchiveProgressPage::Reset(std::int64_t totalBytes) {
    Figures.Reset(totalBytes);
    pbOverall->setValue(0);
    txtProgress->setText(QStringLiteral("0%"));
}

void TArchiveProgressPage::ShowPercent() {
    const int percent = Figures.Percent();
    if (percent > pbOverall->value()) {
        pbOverall->setValue(percent);
        txtProgress->setText(QStringLiteral("%1%").arg(percent));
    }
}

void TArchiveProgressPage::ShowAllDone() {
    pbOverall->setValue(100);
    txtProgress->setText(QStringLiteral("100%"));
}

void TArchiveProgressPage::ShowResults(const QString& title, const QString& folderLine,
                                       const QString& folderSize, const QString& folderDrive,
                                       const QString& archiveLine, const QString& archiveSize,
                                       const QString& archiveDrive, const QString& gainLine) {
    cmdStop->hide();
    panResults->show();
    ShowAllDone();
    SetTitle(title);
    // Laid out now, so that the lines know their width.
    layout()->activate();
    panResults->layout()->activate();
    SetDriveLine(txtCResults1, folderLine, folderSize, folderDrive);
    SetDriveLine(txtCResults2, archiveLine, archiveSize, archiveDrive);
    txtCResults3->setVisible(!gainLine.isEmpty());
    txtCResults3->setText(gainLine);
}

void TArchiveProgressPage::cmdStopClick() {
    if (Job) {
        Stopped = true;
        Job->Stop();
    }
}

void TArchiveProgressPage::TheZipProgress(ProgressType type, const std::string& fileName,
                                          std::int64_t fileSize) {
    if (type == ProgressType::NewFile) {
        Figures.NewFile(fileSize);
        std::string shown =
            FolderPath.empty() ? std::string() : IncludeTrailingBackslash(ParentPath(FolderPath));
        shown += fileName;
        txtProgressFile->setText(MinimizePath(DisplayPath(shown), txtProgressFile->fontMetrics(),
                                              std::max(100, txtProgressFile->width())));
    } else if (type == ProgressType::ProgressUpdate) {
        Figures.InFile(fileSize);
    } else if (type == ProgressType::EndOfBatch) {
        Figures.EndOfBatch();
    }
    ShowPercent();
}

bool TArchiveProgressPage::Run(const std::shared_ptr<TZipMaster>& zip, std::function<void()> work,
                               std::chrono::milliseconds giveUpAfterStop) {
    QPointer<TArchiveProgressPage> self(this);
    // The job outlives this page when its drive stops answering: the
    // component's events reach the page only through a guarded pointer. They
    // are set on the job's thread, before the work, and are the job's signs
    // of life.
    const auto job = TBackgroundJob::Start(
        [zip, self, work = std::move(work)](TBackgroundJob& running) {
            zip->OnProgress = [self, &running](ProgressType type, const std::string& name,
                                               std::int64_t size) {
                running.Beat();
                QMetaObject::invokeMethod(
                    self,
                    [self, type, name, size] {
                        if (self)
                            self->TheZipProgress(type, name, size);
                    },
                    Qt::QueuedConnection);
            };
            zip->OnMessage = [self](int code, const std::string& message) {
                // Stop is no error to report, and a wrong password is asked
                // again (its failure is told with the outcome); the others
                // are reported as the component says them.
                if (code == ZipOk || code == ZipCancelled || code == ZipBadPassword)
                    return;
                QMetaObject::invokeMethod(
                    self,
                    [self, code, message] {
                        if (self)
                            TMessageBox::Error(self->window(), Caption(),
                                               tr("Error: ") + DisplayPath(message) +
                                                   QStringLiteral("\r\n(error code %1)").arg(code));
                    },
                    Qt::QueuedConnection);
            };
            work();
            // The job goes with its thread; the component may be run again.
            zip->OnProgress = nullptr;
            zip->OnMessage = nullptr;
        },
        [zip] { zip->Cancel(); });
    job->GiveUpAfterStop = giveUpAfterStop;
    Job = job;
    Stopped = false;
    const TJobState state = WaitForJob(*job);
    Job.reset();
    if (state == TJobState::HandedOver) {
        // Blocked in a call the drive does not answer; it ends by itself,
        // with the archive and the folder left as its contract says.
        TMessageBox::Show(
            window(), TMessageKind::Warning, Caption(),
            tr("The drive does not answer, so the work could not be stopped. It goes on in the "
               "background and ends by itself when the drive answers again or goes away."),
            QMessageBox::Ok, QMessageBox::NoButton,
            tr("Nothing of the folder is removed before its archive is complete, checked and "
               "catalogued, and an archive is deleted after a restore only when every file came "
               "back whole. An unfinished archive is removed the next time the archives of its "
               "drive are listed."));
        return false;
    }
    // What the worker said last is shown before the outcome.
    QCoreApplication::sendPostedEvents(this);
    job->Rethrow();
    return true;
}
