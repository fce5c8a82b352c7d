// Portable code only: a program or a function started as a given user in one call.
#include "sysimpleprocessimpl.h"
#include "syprocessenvimpl.h"
#include "sytaskimpl.h"

#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syfactory.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcsimpleproc")

PSyProcessEnvironment CSySimpleProcessInterfaceImpl::environmentFor(const iastring& sUser, const iastring& sGroup,
                                                                    const iastring& sPasswd)
{
    if (sUser.empty() && sGroup.empty())
        return PSyProcessEnvironment();
    const IaPtr<ISyAccountMgt> accounts = CSyslibFactory::getPrivilegedInstance()->getAccountMgt();
    const PSyProcessEnvironment environment(new CSyProcessEnvironment);
    if (!sUser.empty())
    {
        const PSyUser user = accounts->getUser(sUser);
        // Already running as the user: no logon, so no password is needed either.
        CSyCurrentProcessEnvironment current;
        if (user->getSID() != current.getUser()->getSID())
            environment->setUser(user, sPasswd);
    }
    if (!sGroup.empty())
        environment->setGroup(accounts->getGroup(sGroup));
    return environment;
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
    if (const PSyProcessEnvironment environment = environmentFor(sUser, sGroup, sPasswd))
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
    if (const PSyProcessEnvironment environment = environmentFor(sUser, sGroup, sPasswd))
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
