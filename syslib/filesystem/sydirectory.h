// Directories and the iteration over their entries.
#pragma once

#include "synode.h"
#include "framework/iaiter.h"

typedef IIaPIterGeneric<PSyNode> ISyNodeIterator;
typedef IaPtr<ISyNodeIterator> PSyNodeIterator;

class ISyDirectory : public ISyNode
{
public:
    // The entries whose names match pattern ('*' and '?'), never "." or "..".
    virtual PSyNodeIterator getChildNodes(const iastring& pattern, bool flag) = 0;
    virtual PSyNode getChildNode(const iastring& name, bool flag) = 0;
    virtual bool isEmpty() = 0;
    // The summed size of the content.
    virtual PSySize getTotalSize() = 0;
};
