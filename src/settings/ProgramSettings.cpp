// Loading and saving of all program-wide settings.
#include "ProgramSettings.h"

#include "ConfigKeys.h"
#include "SettingsStore.h"

#include <bit>
#include <cmath>
#include <cstdint>

TProgramSettings::TProgramSettings()
    : OptionsSet(QString::fromLatin1(Section::Options)),
      DesktopSet(QString::fromLatin1(Section::Desktop)),
      IncludeWastedInformation(OptionsSet.AddBool(Keys::IncludeWastedInformation)),
      ShowFileNames(OptionsSet.AddBool(Keys::ShowFileNames)),
      ShowPercentInPie(OptionsSet.AddInt(Keys::ShowPercentInPie)),
      AutoExpand(OptionsSet.AddBool(Keys::AutoExpand)),
      AutoCollapse(OptionsSet.AddBool(Keys::AutoCollapse)),
      SortAscending(OptionsSet.AddBool(Keys::SortAscending)),
      DrivesToAutoScan(OptionsSet.AddStr(Keys::DrivesToAutoScan)),
      ZIPAddSubfolders(OptionsSet.AddBool(Keys::ZIPAddSubfolders)),
      ZIPAddHiddenFiles(OptionsSet.AddBool(Keys::ZIPAddHiddenFiles)),
      ZIPDeleteAfterCompressing(OptionsSet.AddBool(Keys::ZIPDeleteAfterCompressing)),
      ZIPPasswordProtect(OptionsSet.AddBool(Keys::ZIPPasswordProtect)),
      ZIPCompressionLevel(OptionsSet.AddInt(Keys::ZIPCompressionLevel)),
      ZIPDeleteArchive(OptionsSet.AddBool(Keys::ZIPDeleteArchive)),
      WebPageAddress(OptionsSet.AddStr(Keys::WebPageAddress)),
      FeedbackAddress(OptionsSet.AddStr(Keys::FeedbackAddress)),
      KeepEveryFile(OptionsSet.AddBool(Keys::KeepEveryFile)),
      ViewToolbar(DesktopSet.AddBool(Keys::ViewToolbar)),
      ViewStatusBar(DesktopSet.AddBool(Keys::ViewStatusBar)),
      ViewFolderTree(DesktopSet.AddBool(Keys::ViewFolderTree)),
      PieSectionSizeWindow(DesktopSet.AddBool(Keys::PieSectionSizeWindow)),
      ShowSurvey(DesktopSet.AddBool(Keys::ShowSurvey)) {}

// Each value falls back to its default on its own: one damaged value does not
// cost the user the rest of their settings.
void LoadSettings(TProgramSettings& s, const TSettingsStore& store) {
    s.OptionsSet.ResetAll();
    s.DesktopSet.ResetAll();
    s.OptionsSet.Load(store);
    s.DesktopSet.Load(store);
    s.Colors = ColorTableFromBytes(store.Bytes(Keys::Colors)).value_or(DefaultColors);
    s.MinFileSectionAngle =
        AngleFromBytes(store.Bytes(Keys::MinFileSectionAngle)).value_or(DefaultMinFileSectionAngle);
    s.MinFolderSectionAngle = AngleFromBytes(store.Bytes(Keys::MinFolderSectionAngle))
                                  .value_or(DefaultMinFolderSectionAngle);
    s.MinTextSectionAngle =
        AngleFromBytes(store.Bytes(Keys::MinTextSectionAngle)).value_or(DefaultMinTextSectionAngle);
}

void SaveSettings(const TProgramSettings& s, TSettingsStore& store) {
    s.OptionsSet.Save(store);
    s.DesktopSet.Save(store);
    store.SetBytes(Keys::Colors, ColorTableToBytes(s.Colors));
    store.SetBytes(Keys::MinFileSectionAngle, AngleToBytes(s.MinFileSectionAngle));
    store.SetBytes(Keys::MinFolderSectionAngle, AngleToBytes(s.MinFolderSectionAngle));
    store.SetBytes(Keys::MinTextSectionAngle, AngleToBytes(s.MinTextSectionAngle));
}

QString JoinDriveList(const QStringList& roots) {
    QString text;
    for (const QString& root : roots) {
        if (!text.isEmpty())
            text += QLatin1Char(';');
        for (QChar c : root) {
            if (c == QLatin1Char('\\') || c == QLatin1Char(';'))
                text += QLatin1Char('\\');
            text += c;
        }
    }
    return text;
}

QStringList SplitDriveList(const QString& text) {
    QStringList roots;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            current += text[++i];
        } else if (c == QLatin1Char(';')) {
            if (!current.isEmpty())
                roots.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        roots.append(current);
    return roots;
}

QByteArray AngleToBytes(double angle) {
    auto bits = std::bit_cast<std::uint64_t>(angle);
    QByteArray bytes;
    for (int shift = 0; shift < 64; shift += 8)
        bytes.append(static_cast<char>((bits >> shift) & 0xFF));
    return bytes;
}

std::optional<double> AngleFromBytes(const QByteArray& bytes) {
    if (bytes.size() != 8)
        return std::nullopt;
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b)
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[b])) << (8 * b);
    double angle = std::bit_cast<double>(bits);
    if (!std::isfinite(angle) || angle < 0.0 || angle > 360.0)
        return std::nullopt;
    return angle;
}

QString PercentTextOfAngle(double angle, const QLocale& locale) {
    return locale.toString(angle * 100.0 / 360.0, 'f', 3);
}

std::optional<double> AngleOfPercentText(const QString& text, const QLocale& locale) {
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    QString number = text.trimmed();
    const QString point = locale.decimalPoint();
    const QString other = point == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    if (!number.contains(point) && number.count(other) == 1)
        number.replace(other, point);
    bool ok = false;
    const double percent = strict.toDouble(number, &ok);
    // Overflow ("1e400") and "inf" or "nan" are no percentage either.
    if (!ok || !std::isfinite(percent))
        return std::nullopt;
    const double angle = percent * 360.0 / 100.0;
    if (angle < 0.0 || angle > 360.0)
        return std::nullopt;
    // "-0" is 0, not an angle that prints with a sign.
    return angle == 0.0 ? 0.0 : angle;
}
