// syhost info: the machine as the library sees it, the facts an installer chooses packages by.
#include "hostcommand.h"
#include "syslib/system/sysystemmgt.h"

#include <iomanip>

namespace
{
void row(std::wostream& out, const wchar_t* label, const iastring& value)
{
    out << std::left << std::setw(22) << label << value << L"\n";
}

int runInfo(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"info");
    PSySystemInfo info = context.factory->getSystemMgt()->getSystemInfo();
    std::wostream& out = context.out;
    row(out, L"operating system", info->getOSName());
    row(out, L"uname", info->getOSUname());
    row(out, L"version", info->getOSVersionMajor() + L"." + info->getOSVersionMinor() + L"." +
                             info->getOSVersionBuild());
    row(out, L"platform name", info->getOSFAName() + L" (built for " + info->getRealOSFAName() + L", machine " +
                                   info->getRuntimeOSFAName() + L")");
    row(out, L"word width", info->getOSBits() + L" (machine " + info->getRealOSBits() + L")");
    // The DLL has the width of the process that loaded it: the product is 32-bit, under WOW64 on a 64-bit system.
    row(out, L"process", sizeof(void*) == 8                  ? L"64-bit"
                         : info->getRealOSBits() == L"64" ? L"32-bit, under WOW64"
                                                          : L"32-bit");
    row(out, L"make platform", info->getMakePlatform());
    row(out, L"processors", std::to_wstring(info->getCPUCount()) + L": " + info->getCPUFamily());
    std::wostringstream memory;
    memory << info->getRamSize()->getMBytes() << L" MB RAM, " << info->getSwapSize()->getMBytes() << L" MB swap";
    row(out, L"memory", memory.str());
    out << L"\n" << info->dump();
    return HOST_OK;
}

const CHostCommandRegistration info({L"info", L"", L"system information: OS, version, platform, processors, memory",
                                     runInfo});
} // namespace
