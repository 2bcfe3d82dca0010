// Quillmere's own properties dialog for a file or folder: name, type,
// location, size, times, permissions and owner, read from the raw-byte path.
// A drive's root path gets the drive's page instead: its name, kind, file
// system, cluster size, capacity, used and free space.
#pragma once

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

class TItemPropertiesBox : public QDialog {
    Q_OBJECT
public:
    // knownSize: the size the scan found for a folder, shown beside the
    // count of its entries; a drive's page does not show it.
    TItemPropertiesBox(const std::string& path, QWidget* parent = nullptr,
                       std::optional<std::int64_t> knownSize = std::nullopt);

    // False when the item could not be read (gone, no permission to look).
    bool Valid() const { return IsValid; }
    // The text of a row by its caption ("Type:", "Size:", ...); empty when
    // the dialog has no such row.
    QString RowText(const QString& caption) const;

private:
    void AddItemRows(const std::string& path, std::optional<std::int64_t> knownSize);
    void AddDriveRows(const Platform::TDrive& drive);
    void AddTitleRow(const QIcon& icon, const QString& name);
    void AddRow(const QString& caption, const QString& text, const char* objectName);

    QFormLayout* Form;
    bool IsValid = false;
};

// Shows the properties dialog modally; false (and nothing shown) when the
// item cannot be read.
bool ShowItemProperties(const std::string& path, QWidget* owner,
                        std::optional<std::int64_t> knownSize = std::nullopt);
