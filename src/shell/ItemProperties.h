// Quillmere's own properties dialog for a file or folder: name, type,
// location, size, times, permissions and owner, read from the raw-byte path.
// A drive's root path gets the drive's page instead: its name, kind, file
// system, cluster size, capacity, used and free space.
#pragma once

#include "platform/ItemFacts.h"

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

class QFormLayout;
class QIcon;
class QLabel;

namespace Platform {
struct TDrive;
}

// What the dialog shows of an item that is no drive's root, read from the
// disk in one go, so that it can be read on a background job where the drive
// may stop answering.
struct TItemReading {
    std::optional<Platform::TItemFacts> Facts; // none: Error says why
    int Error = 0;
    std::string Head; // a file's first bytes, to tell its kind by
    std::optional<std::string> LinkTarget;
    std::optional<std::uint64_t> EntryCount; // of a folder; none when it cannot be listed
};
// path without a trailing slash.
TItemReading ReadItem(const std::string& path);

class TItemPropertiesBox : public QDialog {
    Q_OBJECT
public:
    // knownSize: the size the scan found for a folder, shown beside the
    // count of its entries; a drive's page does not show it.
    TItemPropertiesBox(const std::string& path, QWidget* parent = nullptr,
                       std::optional<std::int64_t> knownSize = std::nullopt);
    // With what was read of the item already; a drive's root reads only the
    // mount table and the time-limited volume queries.
    TItemPropertiesBox(const std::string& path, const std::optional<TItemReading>& reading,
                       QWidget* parent, std::optional<std::int64_t> knownSize);

    // False when the item could not be read (gone, no permission to look).
    bool Valid() const { return IsValid; }
    // The text of a row by its caption ("Type:", "Size:", ...); empty when
    // the dialog has no such row.
    QString RowText(const QString& caption) const;

private:
    void AddItemRows(const std::string& path, const TItemReading& reading,
                     std::optional<std::int64_t> knownSize);
    void AddDriveRows(const Platform::TDrive& drive);
    void AddTitleRow(const QIcon& icon, const QString& name);
    void AddRow(const QString& caption, const QString& text, const char* objectName);

    QFormLayout* Form;
    bool IsValid = false;
};

// Shows the properties dialog modally; false (and nothing shown) when the
// item cannot be read. Where the drive may stop answering (mayHang, or as
// the mount table says) the item is read within a time limit, and a drive
// that does not answer is said so instead.
bool ShowItemProperties(const std::string& path, QWidget* owner,
                        std::optional<std::int64_t> knownSize = std::nullopt, bool mayHang = false);
