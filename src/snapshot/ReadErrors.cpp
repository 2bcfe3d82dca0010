// Collecting the folders that could not be read. The walk keeps its own
// stack, as trees may be deeper than the thread's stack allows.
#include "snapshot/ReadErrors.h"

#include "platform/DirReader.h"

#include <QCoreApplication>

std::vector<TReadError> ReadErrors(const std::vector<const TFolderNode*>& roots) {
    std::vector<TReadError> out;
    std::vector<const TFolderNode*> stack(roots.rbegin(), roots.rend());
    while (!stack.empty()) {
        const TFolderNode* node = stack.back();
        stack.pop_back();
        if (node->Has(NodeReadError) || node->Has(NodeNotAnswering)) {
            TReadError e;
            e.Node = node;
            e.Path = NodePath(node);
            e.Error = node->Error;
            e.NotAnswering = node->Has(NodeNotAnswering);
            if (node->Data)
                e.SizeSoFar = node->Data->TreeSize;
            out.push_back(std::move(e));
        }
        for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
            stack.push_back(it->get());
    }
    return out;
}

std::vector<TReadError> ReadErrors(const TFolderTree& tree) {
    std::vector<const TFolderNode*> roots;
    for (const auto& root : tree.Roots())
        roots.push_back(root.get());
    return ReadErrors(roots);
}

QString ReadErrorText(int error) {
    if (error == ReasonNotRecorded)
        return QCoreApplication::translate("ReadErrors", "the scan file does not say why");
    return error ? QString::fromLocal8Bit(Platform::ErrorText(error)) : QString();
}

QString ReadErrorReason(const TReadError& error) {
    const QString text = ReadErrorText(error.Error);
    if (!error.NotAnswering)
        return text;
    const QString hung = QCoreApplication::translate("ReadErrors", "Did not answer");
    return text.isEmpty() ? hung : hung + QStringLiteral(" (") + text + QLatin1Char(')');
}
