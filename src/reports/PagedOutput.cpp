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
    if (!Painter.begin(&Device)) {
        Fail(QT_TRANSLATE_NOOP("TPagedOutput", "The printer could not start the job"));
        return;
    }
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

void TPagedOutput::Fail(const char* text) {
    if (Status)
        Status = Refusal(QCoreApplication::translate("TPagedOutput", text).toStdString());
}

void TPagedOutput::PrintLine(const QString& text) {
    if (!Status)
        return;
    if (!Painter.isActive()) {
        Fail(QT_TRANSLATE_NOOP("TPagedOutput", "The print job has ended"));
        return;
    }
    if (Y > 0 && Y + LineHeight > PageHeight) {
        if (!Device.newPage()) {
            Fail(QT_TRANSLATE_NOOP("TPagedOutput", "The printer could not start a page"));
            return;
        }
        ++Pages;
        Y = 0;
    }
    if (!text.isEmpty())
        DrawText(QPointF(0, Y + Ascent), text);
    Y += LineHeight;
}

void TPagedOutput::DrawText(QPointF at, const QString& text) {
    // The mark that stands for bytes that are no text fills its whole cell in
    // the fixed-pitch fonts and, printed, runs into the letters beside it:
    // it is drawn smaller, in the middle of its cell, so the columns stay.
    constexpr QChar mark(QChar::ReplacementCharacter);
    constexpr qreal scale = 0.75;
    if (!text.contains(mark)) {
        Painter.drawText(at, text);
        return;
    }
    const QFontMetricsF metrics(Painter.font(), &Device);
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(mark, start);
        const QString run = text.mid(start, found < 0 ? -1 : found - start);
        if (!run.isEmpty()) {
            Painter.drawText(at, run);
            at.rx() += metrics.horizontalAdvance(run);
        }
        if (found < 0)
            return;
        const qreal cell = metrics.horizontalAdvance(mark);
        Painter.save();
        Painter.translate(at.x() + cell * (1 - scale) / 2, at.y());
        Painter.scale(scale, scale);
        Painter.drawText(QPointF(0, 0), QString(mark));
        Painter.restore();
        at.rx() += cell;
        start = found + 1;
    }
}

void TPagedOutput::WriteLine(QStringView line) {
    if (!Status)
        return;
    QString rest = OneLine(line.toString());
    do {
        const QString piece = FirstChars(rest, Columns);
        PrintLine(piece);
        rest.remove(0, piece.size());
    } while (!rest.isEmpty());
}

TStatus TPagedOutput::Close() {
    if (Painter.isActive() && !Painter.end())
        Fail(QT_TRANSLATE_NOOP("TPagedOutput", "The printer could not finish the job"));
    return Status;
}
