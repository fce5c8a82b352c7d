// Character and block devices, pipes and sockets: readable like any node, every change refused.
#pragma once

#include "synodeimpl.h"

class CSySpecialFileImpl : public CSyNodeImpl
{
public:
    CSySpecialFileImpl(const CSyPath& path, ISyNode::eNodeType type) : CSyNodeImpl(path, type) {}

    bool copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer) override;
    bool move(const CSyPath& target, ISyNode::CopyMoveMode_t mode) override;
    void remove() override;
    void setTimeStamp(const PSyNodeTimeStamp& timeStamp) override;
    int saveVersion(bool withACL) override;
    void revertVersion() override;
    void revertToVersion(int version) override;
    int getHighestVersion() const override;
    PSySize getSize() const override;
};

class CSySpecialFile : public CSyNodeHandle<ISyNode, CSySpecialFileImpl>
{
public:
    CSySpecialFile(const CSyPath& path, ISyNode::eNodeType type) : CSyNodeHandle(path, type) {}
    bool copy(const iastring& target, ISyNode::CopyMoveMode_t mode) override;
    bool move(const iastring& target) override;
};
