#include "ScanTestSupport.h"

#include <algorithm>
#include <sstream>

std::string CheckSums(const TFolderNode* node) {
    std::vector<const TFolderNode*> pending{node};
    while (!pending.empty()) {
        const TFolderNode* n = pending.back();
        pending.pop_back();
        for (const auto& c : n->Children)
            pending.push_back(c.get());
        if (!n->Data)
            continue;
        const TFolderSize& r = *n->Data;
        const std::string where = NodePath(n) + ": ";
        if (r.OwnFolderCount != n->Children.size())
            return where + "OwnFolderCount " + std::to_string(r.OwnFolderCount) + " but " +
                   std::to_string(n->Children.size()) + " children";
        TFolderSize sum;
        bool complete = true;
        for (const auto& c : n->Children) {
            if (!c->Data) {
                // An unscanned child (another drive, unreadable) still counts
                // as one folder.
                if (!c->Has(NodeOtherDrive))
                    complete = false;
                sum.TreeFolderCount += 1;
                continue;
            }
            sum.TreeSize += c->Data->TreeSize;
            sum.TreeWasted += c->Data->TreeWasted;
            sum.TreeFileCount += c->Data->TreeFileCount;
            sum.TreeFolderCount += c->Data->TreeFolderCount + 1;
            for (int i = 1; i <= AltClusterCount; ++i)
                sum.TreeWastedAlt[i] += c->Data->TreeWastedAlt[i];
        }
        if (!complete)
            continue;
        if (r.TreeSize != r.OwnSize + sum.TreeSize)
            return where + "TreeSize " + std::to_string(r.TreeSize) +
                   " != " + std::to_string(r.OwnSize + sum.TreeSize);
        if (r.TreeWasted != r.OwnWasted + sum.TreeWasted)
            return where + "TreeWasted";
        if (r.TreeFileCount != r.OwnFileCount + sum.TreeFileCount)
            return where + "TreeFileCount " + std::to_string(r.TreeFileCount) +
                   " != " + std::to_string(r.OwnFileCount + sum.TreeFileCount);
        if (r.TreeFolderCount != sum.TreeFolderCount)
            return where + "TreeFolderCount " + std::to_string(r.TreeFolderCount) +
                   " != " + std::to_string(sum.TreeFolderCount);
        for (int i = 1; i <= AltClusterCount; ++i)
            if (r.TreeWastedAlt[i] != r.OwnWastedAlt[i] + sum.TreeWastedAlt[i])
                return where + "TreeWastedAlt[" + std::to_string(i) + "]";
    }
    return {};
}

std::string DumpTree(const TFolderNode* root) {
    std::vector<std::string> lines;
    std::vector<const TFolderNode*> pending{root};
    while (!pending.empty()) {
        const TFolderNode* n = pending.back();
        pending.pop_back();
        std::ostringstream line;
        line << NodePath(n) << " flags=" << int(n->Flags) << " error=" << n->Error;
        if (const TFolderSize* r = n->Data.get()) {
            line << " " << r->TreeSize << " " << r->OwnSize << " " << r->TreeWasted << " "
                 << r->OwnWasted << " " << r->TreeFileCount << " " << r->TreeFolderCount << " "
                 << r->OwnFileCount << " " << r->OwnFolderCount << " " << r->NewestAccessTime << " "
                 << r->NewestWriteTime << " " << r->AttributesOr;
            for (int i = 1; i <= AltClusterCount; ++i)
                line << " " << r->TreeWastedAlt[i] << "/" << r->OwnWastedAlt[i];
        }
        line << " children:";
        for (const auto& c : n->Children) {
            line << " " << c->Name;
            pending.push_back(c.get());
        }
        lines.push_back(line.str());
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

TFolderNode* Find(TFolderNode* root, const std::string& relative) {
    return FindNodeByPath(root, relative, true);
}
