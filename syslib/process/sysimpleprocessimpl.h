#pragma once

#include "sysimpleprocess.h"

class CSySimpleProcessInterfaceImpl : public CSyGenericImpl
{
public:
    PSyChildApplication runApplicationAsUser(const iastring& sUser, const iastring& sGroup, const iastring& sPasswd,
                                             const iastring& sPath, const iastring& sArguments,
                                             const iastring& sSeparator, PSyTaskIO inStream, PSyTaskIO outStream);
    PSyChildFunction runFunctionAsUser(const iastring& sUser, const iastring& sGroup, const iastring& sPasswd,
                                       ISyChildFunction::FunctionPtr_t function,
                                       ISyChildFunction::FunctionArg_t argument, PSyTaskIO inStream,
                                       PSyTaskIO outStream);

private:
    // The environment that makes the task run as the user; null for the current user.
    PSyProcessEnvironment environmentFor(const iastring& sUser, const iastring& sGroup, const iastring& sPasswd);
};

class CSySimpleProcessInterface : public CSyHandle<ISySimpleProcessInterface, CSySimpleProcessInterfaceImpl>
{
public:
    PSyChildApplication runApplicationAsUser(const iastring& sUser, const iastring& sGroup, const iastring& sPasswd,
                                             const iastring& sPath, const iastring& sArguments,
                                             const iastring& sSeparator, PSyTaskIO inStream,
                                             PSyTaskIO outStream) override
    {
        return SY_FORWARD(
            m_impl.runApplicationAsUser(sUser, sGroup, sPasswd, sPath, sArguments, sSeparator, inStream, outStream));
    }
    PSyChildFunction runFunctionAsUser(const iastring& sUser, const iastring& sGroup, const iastring& sPasswd,
                                       ISyChildFunction::FunctionPtr_t function,
                                       ISyChildFunction::FunctionArg_t argument, PSyTaskIO inStream,
                                       PSyTaskIO outStream) override
    {
        return SY_FORWARD(
            m_impl.runFunctionAsUser(sUser, sGroup, sPasswd, function, argument, inStream, outStream));
    }
};
