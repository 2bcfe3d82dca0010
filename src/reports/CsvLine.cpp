// One line of comma-separated values, apart from the list reports: every
// report that writes CSV uses it.
#include "reports/ListReports.h"

#include <QStringList>

namespace {

bool NeedsQuotes(const QString& field) {
    for (QChar c : field)
        if (c.unicode() <= 32 || c == QLatin1Char('"') || c == QLatin1Char(','))
            return true;
    return false;
}

} // namespace

QString CsvLine(const QStringList& fields) {
    if (fields.size() == 1 && fields.front().isEmpty())
        return QStringLiteral("\"\"");
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        const QString& field = fields[i];
        if (!NeedsQuotes(field)) {
            line += field;
            continue;
        }
        line += QLatin1Char('"');
        line += QString(field).replace(QLatin1Char('"'), QLatin1String("\"\""));
        line += QLatin1Char('"');
    }
    return line;
}
