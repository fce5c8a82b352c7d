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

class CVersionCommand : public CHostCommand
{
public:
    CVersionCommand()
        : CHostCommand("version", "", "version of the loaded syslib.dll", "syhost --json version")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        CHostResult result;
        result.document = {{"version", utf8(fileVersion(context.dllPath))},
                           {"path", utf8(context.dllPath)},
                           {"compatibility", context.factory->getCompatibility()}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"syslib " << text(document["version"]) << L"\n"
            << L"loaded from " << text(document["path"]) << L"\n"
            << L"compatibility level " << document["compatibility"].get<int>() << L"\n";
    }
} version;

class CSupportInfoCommand : public CHostCommand
{
public:
    CSupportInfoCommand()
        : CHostCommand("support-info", "", "write the process environment and system facts into the log",
                       "syhost --log support.log support-info")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        // The dump is written into the log book; show it even when tracing is off.
        context.logBook->setVerbose(true);
        context.factory->writeSupportInfo(context.logBook);
        CHostResult result;
        result.document = {{"written", "log book"}};
        return result;
    }
    void render(const CHostJson&, std::wostream&) const override {}
} supportInfo;
} // namespace
