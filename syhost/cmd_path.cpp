// Paths as the library reads them: what a support engineer checks when an installer writes to the
// wrong place.
#include "hostcommand.h"

#include <functional>

namespace
{
const wchar_t* yesNo(bool value)
{
    return value ? L"yes" : L"no";
}

// A form that needs the file system or a home directory may fail on its own; the others still print.
void printDerived(CHostContext& context, const wchar_t* label, const std::function<iastring()>& form)
{
    context.out << L"  " << label;
    try
    {
        context.out << form() << L"\n";
    }
    catch (const EVantixException& exception)
    {
        context.out << describeException(exception) << L"\n";
    }
}

int runPath(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.empty())
        return usageError(context, L"path");
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    int result = HOST_OK;
    for (const iastring& text : arguments)
    {
        context.out << L"path \"" << text << L"\"\n";
        PSyFSPath path;
        try
        {
            path = manager->getFSPath(text);
        }
        catch (const EVantixException& exception)
        {
            context.out << L"  " << describeException(exception) << L"\n";
            result = HOST_FAILED;
            continue;
        }
        context.out << L"  neutral:    " << path->toString() << L"\n"
                    << L"  OS form:    " << path->toOSString() << L"\n"
                    << L"  prefix:     " << path->getPrefix() << L"\n"
                    << L"  components:";
        for (const CSyFSPathComponentInfo& component : path->getComponents())
            context.out << L" " << component.typeName << L" \"" << component.text << L"\"";
        context.out << L"\n"
                    << L"  absolute:   " << yesNo(path->isAbsolute()) << L"\n"
                    << L"  root:       " << yesNo(path->isRoot()) << L"\n";
        printDerived(context, L"absolute path:  ", [&] { return path->getAbsolutePath()->toString(); });
        printDerived(context, L"canonical path: ", [&] { return path->getCanonicalPath()->toString(); });
        printDerived(context, L"canonical OS:   ", [&] { return manager->convertToOSPath(text); });
    }
    return result;
}

const CHostCommandRegistration path({L"path", L"PATH...",
                                     L"show how paths are parsed: forms, prefix, components, canonical form",
                                     runPath});
} // namespace
