// The program-wide list of pie section records.
#include "ui/charts/TSectionInfo.h"

#include <memory>
#include <vector>

namespace {

// Records are handed out by pointer, so each lives on its own and survives
// the list growing.
std::vector<std::unique_ptr<TSectionInfo>>& SectionInfos() {
    static std::vector<std::unique_ptr<TSectionInfo>> infos;
    return infos;
}

} // namespace

int AddSectionInfo(TFolderNode* node, int cursor, const QString& name, std::int64_t size,
                   std::int64_t wasted, const std::string& path, TSectionKind kind) {
    auto info = std::make_unique<TSectionInfo>();
    info->Node = node;
    info->Cursor = cursor;
    info->Name = name;
    info->Size = size;
    info->Wasted = wasted;
    info->Path = path;
    info->Kind = kind;
    SectionInfos().push_back(std::move(info));
    return int(SectionInfos().size()) - 1;
}

TSectionInfo* GetSectionInfo(int index) {
    auto& infos = SectionInfos();
    if (index < 0 || index >= int(infos.size()))
        return nullptr;
    return infos[std::size_t(index)].get();
}

int SectionInfoCount() {
    return int(SectionInfos().size());
}

void ClearSectionInfos() {
    SectionInfos().clear();
}
