// What the pie page knows about each section: one program-wide list of
// records, refilled at every pie rebuild, that a section refers to by index.
// Index 0 is the first record added after a clear; the pie page adds the
// folder itself first.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

class TFolderNode;

enum class TSectionKind : std::uint8_t { File = 0, Folder = 1, Drive = 2, Group = 3 };

struct TSectionInfo {
    TFolderNode* Node = nullptr; // not owned
    std::int64_t Size = 0;
    std::int64_t Wasted = 0;
    int Cursor = 0; // 0 arrow, 5 zoom in, 6 zoom out
    QString Name;   // for display
    // Raw bytes, as the file system spells it: the path is handed to file
    // operations, and a name need not be valid UTF-8.
    std::string Path;
    TSectionKind Kind = TSectionKind::File;
};

// Appends a record and returns its index.
int AddSectionInfo(TFolderNode* node, int cursor, const QString& name, std::int64_t size,
                   std::int64_t wasted, const std::string& path, TSectionKind kind);
// The record, or null for an index outside the list.
TSectionInfo* GetSectionInfo(int index);
int SectionInfoCount();
void ClearSectionInfos();
