// Directories as nodes: what the node operations need of them (kind, copy decision, parent object).
#pragma once

#include "sydirectory.h"
#include "synodeimpl.h"

class CSyDirectoryImpl : public CSyNodeImpl
{
public:
    explicit CSyDirectoryImpl(const CSyPath& path) : CSyNodeImpl(path, ISyNode::DIRECTORY) {}

    bool decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                              bool& existingTarget) override;
};

class CSyDirectory : public CSyNodeHandle<ISyDirectory, CSyDirectoryImpl>
{
public:
    explicit CSyDirectory(const CSyPath& path) : CSyNodeHandle(path) {}

    // Listing, lookup and sizes of directories are not built yet: they report that they are not supported.
    PSyNodeIterator getChildNodes(const iastring& pattern, bool flag) override;
    PSyNode getChildNode(const iastring& name, bool flag) override;
    bool isEmpty() override;
    PSySize getTotalSize() override;
};
