// Starting a program or a function as a given user in one call.
#pragma once

#include "sytask.h"

class ISySimpleProcessInterface : public ISyGeneric
{
public:
    // Starts the program and returns while it runs. Empty user and group: the current user.
    virtual PSyChildApplication runApplicationAsUser(const iastring& sUser, const iastring& sGroup,
                                                     const iastring& sPasswd, const iastring& sPath,
                                                     const iastring& sArguments, const iastring& sSeparator,
                                                     PSyTaskIO inStream, PSyTaskIO outStream) = 0;
    virtual PSyChildFunction runFunctionAsUser(const iastring& sUser, const iastring& sGroup,
                                               const iastring& sPasswd, ISyChildFunction::FunctionPtr_t function,
                                               ISyChildFunction::FunctionArg_t argument, PSyTaskIO inStream,
                                               PSyTaskIO outStream) = 0;
};
typedef IaPtr<ISySimpleProcessInterface> PSySimpleProcessInterface;
