// Report lines on pages: a print job, or a PDF, in a fixed-pitch font, one
// report line to a printed line, a new page when one is full. A line wider
// than the page goes on over the next printed lines rather than being cut
// off at the paper's edge.
#pragma once

#include "reports/ReportOutput.h"

#include <QFont>
#include <QPainter>

class QPagedPaintDevice;

// The fixed-pitch font of printed reports, `points` in size.
QFont ReportPrintFont(int points = 10);

class TPagedOutput final : public TReportOutput {
public:
    // Starts the job on `device` (a printer or a PDF writer), which must
    // outlive the output; when the device cannot be drawn on, the output
    // has failed from the start.
    TPagedOutput(QPagedPaintDevice& device, const QFont& font);
    ~TPagedOutput() override;
    TPagedOutput(const TPagedOutput&) = delete;
    TPagedOutput& operator=(const TPagedOutput&) = delete;

    void WriteLine(QStringView line) override;
    // Ends the job; fails when the device reports that it failed.
    TStatus Close() override;
    bool ToPrinter() const override { return true; }

    int PageCount() const { return Pages; }
    // How many characters fit on a printed line.
    int LineWidth() const { return Columns; }

private:
    void PrintLine(const QString& text);
    void DrawText(QPointF at, const QString& text);
    // Keeps the first failure.
    void Fail(const char* text);

    QPagedPaintDevice& Device;
    QPainter Painter;
    int LineHeight = 0;
    int Ascent = 0;
    int PageHeight = 0;
    int Columns = 0;
    int Y = 0;
    int Pages = 1;
    TStatus Status;
};
