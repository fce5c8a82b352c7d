// General commands: what library this is, and the support dump an engineer asks for first.
#include "hostcommand.h"
#include "syslib/common/syswin.h"

#include <vector>

namespace
{
// The FileVersion of the loaded DLL's version resource.
iastring fileVersion(const iastring& path)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return L"(no version resource)";
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return L"(unreadable version resource)";
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

int runVersion(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"version");
    context.out << L"syslib " << fileVersion(context.dllPath) << L"\n"
                << L"loaded from " << context.dllPath << L"\n"
                << L"compatibility level " << context.factory->getCompatibility() << L"\n";
    return HOST_OK;
}

int runSupportInfo(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"support-info");
    // The dump is written into the log book; show it even when tracing is off.
    context.logBook->setVerbose(true);
    context.factory->writeSupportInfo(context.logBook);
    return HOST_OK;
}

const CHostCommandRegistration version({L"version", L"", L"version of the loaded syslib.dll", runVersion});
const CHostCommandRegistration supportInfo(
    {L"support-info", L"", L"write the process environment and system facts into the log", runSupportInfo});
} // namespace
