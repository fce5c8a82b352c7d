// A parsed access-rights expression with what each entry means in Windows masks for one kind of object.
#pragma once

#include "syaclright.h"

class ISyACLExpression : public ISyGeneric
{
public:
    virtual unsigned int getEntryCount() = 0;
    // The entry in the library's text form, "(account, TYPE, +rights!denied, FLAGS)".
    virtual iastring getEntryText(unsigned int index) = 0;
    virtual unsigned long getAllowedMask(unsigned int index) = 0;
    virtual unsigned long getDeniedMask(unsigned int index) = 0;
    virtual unsigned long getInheritanceFlags(unsigned int index) = 0;
};

typedef IaPtr<ISyACLExpression> PSyACLExpression;
