// Portable code only: a program or a function started as a given user in one call.
#include "sysimpleprocessimpl.h"
#include "sytaskimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcsimpleproc")

PSyProcessEnvironment CSySimpleProcessInterfaceImpl::environmentFor(const iastring& sUser, const iastring& sGroup,
                                                                    const iastring&, const wchar_t* signature)
{
    if (sUser.empty() && sGroup.empty())
        return PSyProcessEnvironment();
    // Switching to another account needs the account manager, which this build does not have yet.
    syslib::throwFunctionNotSupported(signature, __LINE__);
}

PSyChildApplication CSySimpleProcessInterfaceImpl::runApplicationAsUser(
    const iastring& sUser, const iastring& sGroup, const iastring& sPasswd, const iastring& sPath,
    const iastring& sArguments, const iastring& sSeparator, PSyTaskIO inStream, PSyTaskIO outStream)
{
    const wchar_t* const signature =
        L"CSySimpleProcessInterfaceImpl::runApplicationAsUser( const iastring& sUser, const iastring& sGroup, "
        L"const iastring& sPasswd, const iastring& sPath, const iastring& sArguments, const iastring& sSeparator, "
        L"PSyTaskIO inStream, PSyTaskIO outStream )";
    SY_TRACE_FUNCTION_TEXT(signature);
    const PSyChildApplication application(new CSyChildApplication(0));
    if (const PSyProcessEnvironment environment = environmentFor(sUser, sGroup, sPasswd, signature))
        application->setProcessEnvironment(environment);
    if (outStream)
        application->setOutputStream(outStream);
    if (inStream)
        application->setInputStream(inStream);
    application->setPath(sPath);
    application->setArguments(sArguments, sSeparator);
    application->start(false);
    return application;
}

PSyChildFunction CSySimpleProcessInterfaceImpl::runFunctionAsUser(const iastring& sUser, const iastring& sGroup,
                                                                  const iastring& sPasswd,
                                                                  ISyChildFunction::FunctionPtr_t function,
                                                                  ISyChildFunction::FunctionArg_t argument,
                                                                  PSyTaskIO inStream, PSyTaskIO outStream)
{
    const wchar_t* const signature =
        L"CSySimpleProcessInterfaceImpl::runFunctionAsUser( const iastring& sUser, const iastring& sGroup, "
        L"const iastring& sPasswd, FunctionPtr_t function, FunctionArg_t argument, PSyTaskIO inStream, "
        L"PSyTaskIO outStream )";
    SY_TRACE_FUNCTION_TEXT(signature);
    const PSyChildFunction task(new CSyChildFunction(0));
    if (const PSyProcessEnvironment environment = environmentFor(sUser, sGroup, sPasswd, signature))
        task->setProcessEnvironment(environment);
    // A child function has no pipes: the task refuses streams as it does for any caller.
    if (outStream)
        task->setOutputStream(outStream);
    if (inStream)
        task->setInputStream(inStream);
    task->setFunction(function);
    task->setArgument(argument);
    task->start(false);
    return task;
}
