// The unreadable folders window. The list comes from the tree's own error
// records (ReadErrors); the table and the file are both made from
// ReadErrorCells, so they say the same.
#include "ui/main/UnreadableFoldersBox.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "reports/ListReports.h"
#include "reports/ReportOutput.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/main/ReportCommands.h"
#include "ui/main/Strings.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QStringList ReadErrorCells(const TReadError& error) {
    return {DisplayPath(error.Path), ReadErrorReason(error),
            error.SizeSoFar ? FormatSize(*error.SizeSoFar)
                            : QCoreApplication::translate("TUnreadableFoldersBox", "unknown")};
}

QByteArray ReadErrorsCsv(const std::vector<TReadError>& errors) {
    TMemoryOutput out;
    out.WriteLine(CsvLine({QStringLiteral("Folder"), QStringLiteral("Reason"),
                           QStringLiteral("Size so far (bytes)")}));
    for (const TReadError& e : errors) {
        QStringList fields = ReadErrorCells(e);
        fields[2] = e.SizeSoFar ? QString::number(*e.SizeSoFar) : QString();
        out.WriteLine(CsvLine(fields));
    }
    return out.Bytes();
}

TUnreadableFoldersBox::TUnreadableFoldersBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("UnreadableFoldersBox"));
    setWindowTitle(tr("Unreadable Folders"));
    auto* column = new QVBoxLayout(this);
    txtUnreadableSummary = new QLabel(this);
    txtUnreadableSummary->setObjectName(QStringLiteral("txtUnreadableSummary"));
    txtUnreadableSummary->setWordWrap(true);
    column->addWidget(txtUnreadableSummary);
    ErrorList = new QTableWidget(0, 3, this);
    ErrorList->setObjectName(QStringLiteral("ErrorList"));
    ErrorList->setHorizontalHeaderLabels({tr("Folder"), tr("Reason"), tr("Size so far")});
    ErrorList->verticalHeader()->hide();
    ErrorList->setSelectionBehavior(QAbstractItemView::SelectRows);
    ErrorList->setSelectionMode(QAbstractItemView::SingleSelection);
    ErrorList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ErrorList->setWordWrap(false);
    ErrorList->setTextElideMode(Qt::ElideMiddle);
    ErrorList->setShowGrid(false);
    ErrorList->verticalHeader()->setDefaultSectionSize(ErrorList->fontMetrics().height() + 6);
    QHeaderView* header = ErrorList->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    column->addWidget(ErrorList, 1);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Close | QDialogButtonBox::Help, this);
    btnSaveCsv = buttons->addButton(tr("&Save as CSV..."), QDialogButtonBox::ActionRole);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    column->addWidget(buttons);
    resize(720, 400);

    connect(ErrorList, &QTableWidget::cellDoubleClicked, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelp(HelpUnreadable, this); });
    connect(btnSaveCsv, &QPushButton::clicked, this, [this] { SaveCsvClick(); });
}

void TUnreadableFoldersBox::Show(std::vector<TReadError> errors) {
    Errors = std::move(errors);
    txtUnreadableSummary->setText(
        Errors.empty()
            ? tr("Every folder of the scanned drives could be read.")
            : tr("%n folder(s) could not be read. The totals of these folders and of every "
                 "folder above them leave out what could not be read.",
                 nullptr, static_cast<int>(Errors.size())));
    ErrorList->setRowCount(0);
    ErrorList->setRowCount(static_cast<int>(Errors.size()));
    for (std::size_t i = 0; i < Errors.size(); ++i) {
        const QStringList cells = ReadErrorCells(Errors[i]);
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setToolTip(c == 2 && Errors[i].SizeSoFar ? FormatBytes(*Errors[i].SizeSoFar)
                                                           : cells[c]);
            if (c == 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ErrorList->setItem(static_cast<int>(i), c, item);
        }
    }
    btnSaveCsv->setEnabled(!Errors.empty());
    if (!Errors.empty())
        ErrorList->selectRow(0);
}

TStatus TUnreadableFoldersBox::SaveCsv(const std::string& path) const {
    return WriteFileAnswering(path, ReadErrorsCsv(Errors));
}

void TUnreadableFoldersBox::SaveCsvClick() {
    SaveCsvAs(this, QStringLiteral("unreadable-folders.csv"),
              [this](const std::string& path) { return SaveCsv(path); });
}

void TUnreadableFoldersBox::Choose() {
    const int row = ErrorList->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= Errors.size())
        return;
    ChosenFolder = Errors[static_cast<std::size_t>(row)].Node;
    accept();
}
