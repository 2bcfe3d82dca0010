// CSV, tab-separated and formatted text of the subfolder list.
#include "reports/ListReports.h"

#include "models/SubfolderList.h"
#include "reports/ReportFile.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

// Printed names are cut to this many characters, the last three "...".
constexpr int PrintedNameWidth = 14;
constexpr int ColumnGap = 4;

QStringList Captions(const TSubfolderListModel& list) {
    QStringList captions;
    for (int c : ShownColumnOrder(list.ColumnCount()))
        captions << list.Caption(c);
    return captions;
}

// A folder whose figures are incomplete carries this after its name in
// every form of the list, and a note at the end says what it means.
QString Marked(QString name, const TSubfolderListModel& list, int row) {
    if (list.Row(row).Incomplete)
        name += QStringLiteral(" *");
    return name;
}

bool AnyIncomplete(const TSubfolderListModel& list) {
    for (int r = 0; r < list.RowCount(); ++r)
        if (list.Row(r).Incomplete)
            return true;
    return false;
}

QString IncompleteNote() {
    return QStringLiteral("* ") + IncompleteRowText();
}

QStringList Cells(const TSubfolderListModel& list, int row) {
    QStringList cells;
    for (int c : ShownColumnOrder(list.ColumnCount()))
        cells << list.Text(row, c);
    cells.front() = Marked(cells.front(), list, row);
    return cells;
}

QString TabLine(const QStringList& fields) {
    QString line;
    for (const QString& field : fields) {
        line += OneLine(field);
        line += QLatin1Char('\t');
    }
    return line;
}

QString PrintedName(const QString& name) {
    if (CharCount(name) <= PrintedNameWidth)
        return name;
    return FirstChars(name, PrintedNameWidth - 3) + QStringLiteral("...");
}

} // namespace

void WriteCsvList(const TSubfolderListModel& list, TReportOutput& out) {
    out.WriteLine(CsvLine(Captions(list)));
    for (int r = 0; r < list.RowCount(); ++r)
        out.WriteLine(CsvLine(Cells(list, r)));
    if (AnyIncomplete(list)) {
        out.WriteLine(QString());
        out.WriteLine(CsvLine({IncompleteNote()}));
    }
}

void WriteTabList(const TSubfolderListModel& list, TReportOutput& out) {
    out.WriteLine(TabLine(Captions(list)));
    for (int r = 0; r < list.RowCount(); ++r)
        out.WriteLine(TabLine(Cells(list, r)));
    if (AnyIncomplete(list)) {
        out.WriteLine(QString());
        out.WriteLine(TabLine({IncompleteNote()}));
    }
}

void WriteFormattedList(const QString& titlePath, const TSubfolderListModel& list,
                        TReportOutput& out) {
    const bool printer = out.ToPrinter();
    out.WriteLine(QStringLiteral("Subfolders of ") + OneLine(titlePath));
    out.WriteLine(QString());
    out.WriteLine(QStringLiteral("Note: -> indicates the sort column"));
    out.WriteLine(QString());
    out.WriteLine(QString());

    const int rows = list.RowCount();
    // The names as they will be written, measured once; a folder whose
    // figures are incomplete is marked, and a note at the end says why.
    std::vector<QString> names(static_cast<std::size_t>(rows));
    // The comparison's columns too, while the list shows one; widths go by
    // place, in the order the page shows the columns.
    const std::vector<int> order = ShownColumnOrder(list.ColumnCount());
    const std::size_t columns = order.size();
    std::array<int, ComparisonColumnCount> width{};
    for (int r = 0; r < rows; ++r) {
        QString name = OneLine(list.Text(r, ColName));
        if (printer)
            name = PrintedName(name);
        name = Marked(std::move(name), list, r);
        width[0] = std::max(width[0], CharCount(name));
        names[static_cast<std::size_t>(r)] = std::move(name);
        for (std::size_t p = 1; p < columns; ++p)
            width[p] = std::max(width[p], CharCount(list.Text(r, order[p])));
    }
    for (std::size_t p = 0; p < columns; ++p)
        width[p] = std::max(width[p], CharCount(list.Caption(order[p]))) + ColumnGap;

    QString line = LeftAligned(list.Caption(ColName), width[0]);
    for (std::size_t p = 1; p < columns; ++p)
        line += RightAligned(list.Caption(order[p]), width[p]);
    out.WriteLine(line);
    for (int r = 0; r < rows; ++r) {
        line = LeftAligned(names[static_cast<std::size_t>(r)], width[0]);
        for (std::size_t p = 1; p < columns; ++p)
            line += RightAligned(OneLine(list.Text(r, order[p])), width[p]);
        out.WriteLine(line);
    }
    if (AnyIncomplete(list)) {
        out.WriteLine(QString());
        out.WriteLine(IncompleteNote());
    }
}

TStatus WriteCsvList(const TSubfolderListModel& list, const std::string& path) {
    return WriteReportFile(path, false, [&](TReportOutput& out) { WriteCsvList(list, out); });
}

TStatus WriteTabList(const TSubfolderListModel& list, const std::string& path) {
    return WriteReportFile(path, false, [&](TReportOutput& out) { WriteTabList(list, out); });
}

TStatus WriteFormattedList(const QString& titlePath, const TSubfolderListModel& list,
                           const std::string& path, bool append) {
    return WriteReportFile(path, append,
                           [&](TReportOutput& out) { WriteFormattedList(titlePath, list, out); });
}
