// Lines on the pages of a print job or a PDF.
#include "reports/PagedOutput.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPagedPaintDevice>

#include <algorithm>

QFont ReportPrintFont(int points) {
    QFont font(QStringLiteral("Monospace"), points);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

TPagedOutput::TPagedOutput(QPagedPaintDevice& device, const QFont& font) : Device(device) {
    if (!Painter.begin(&Device))
        throw TReportError(
            QCoreApplication::translate("TPagedOutput", "The printer could not start the job")
                .toStdString());
    Painter.setFont(font);
    Painter.setPen(Qt::black);
    const QFontMetrics metrics(Painter.font(), &Device);
    LineHeight = std::max(1, metrics.lineSpacing());
    Ascent = metrics.ascent();
    PageHeight = Device.height();
    Columns =
        std::max(1, Device.width() / std::max(1, metrics.horizontalAdvance(QLatin1Char('M'))));
}

TPagedOutput::~TPagedOutput() {
    // Only after a failure elsewhere, which is the one the user hears of.
    if (Painter.isActive())
        Painter.end();
}

void TPagedOutput::PrintLine(const QString& text) {
    if (!Painter.isActive())
        throw TReportError(
            QCoreApplication::translate("TPagedOutput", "The print job has ended").toStdString());
    if (Y > 0 && Y + LineHeight > PageHeight) {
        if (!Device.newPage())
            throw TReportError(
                QCoreApplication::translate("TPagedOutput", "The printer could not start a page")
                    .toStdString());
        ++Pages;
        Y = 0;
    }
    if (!text.isEmpty())
        Painter.drawText(QPointF(0, Y + Ascent), text);
    Y += LineHeight;
}

void TPagedOutput::WriteLine(QStringView line) {
    QString rest = OneLine(line.toString());
    do {
        const QString piece = FirstChars(rest, Columns);
        PrintLine(piece);
        rest.remove(0, piece.size());
    } while (!rest.isEmpty());
}

void TPagedOutput::Close() {
    if (!Painter.isActive())
        return;
    if (!Painter.end())
        throw TReportError(
            QCoreApplication::translate("TPagedOutput", "The printer could not finish the job")
                .toStdString());
}
