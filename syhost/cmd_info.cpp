// syhost info: the machine as the library sees it, the facts an installer chooses packages by.
#include "hostcommand.h"
#include "syslib/system/sysystemmgt.h"

#include <iomanip>
#include <sstream>

namespace
{
// The value the library answers and, when an override stands in for it, the real one beside it.
CHostJson overridable(const iastring& value, const iastring& overridden, const iastring& real)
{
    return {{"value", utf8(value)}, {"overridden", !overridden.empty()}, {"real", utf8(real)}};
}

iastring overridableText(const CHostJson& fact)
{
    return text(fact["value"]) + (fact["overridden"].get<bool>() ? L" (overridden, real " + text(fact["real"]) + L")"
                                                                 : iastring());
}

void row(std::wostream& out, const wchar_t* label, const iastring& value)
{
    out << std::left << std::setw(22) << label << value << L"\n";
}

std::vector<std::string> lines(const iastring& text)
{
    std::vector<std::string> all;
    std::wistringstream in(text);
    for (iastring line; std::getline(in, line);)
        all.push_back(utf8(line));
    return all;
}

class CInfoCommand : public CHostCommand
{
public:
    CInfoCommand()
        : CHostCommand("info", "", "system information: OS, version, platform, processors, memory",
                       "syhost --override os-fa-name=AMD64 info")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        const PSyPrivilegedSystemInfo info = context.factory->getPrivilegedSystemMgt()->getPrivilegedSystemInfo();
        CHostResult result;
        CHostJson& document = result.document;
        document["operatingSystem"] = utf8(info->getOSName());
        document["uname"] = utf8(info->getOSUname());
        document["version"] =
            utf8(info->getOSVersionMajor() + L"." + info->getOSVersionMinor() + L"." + info->getOSVersionBuild());
        document["platformName"] =
            overridable(info->getOSFAName(), info->getOverriddenOSFAName(), info->getRealOSFAName());
        document["machinePlatformName"] = utf8(info->getRuntimeOSFAName());
        document["wordWidth"] = overridable(info->getOSBits(), info->getOverriddenOSBits(), info->getRealOSBits());
        // The DLL has the width of the process that loaded it: the product is 32-bit, under WOW64 on a 64-bit
        // system.
        document["process"] = sizeof(void*) == 8                ? "64-bit"
                              : info->getRealOSBits() == L"64" ? "32-bit, under WOW64"
                                                               : "32-bit";
        document["makePlatform"] = utf8(info->getMakePlatform());
        document["processors"] = info->getCPUCount();
        document["processorFamily"] = utf8(info->getCPUFamily());
        document["ramMB"] = info->getRamSize()->getMBytes();
        document["swapMB"] = info->getSwapSize()->getMBytes();
        document["dump"] = lines(info->dump());
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        row(out, L"operating system", text(document["operatingSystem"]));
        row(out, L"uname", text(document["uname"]));
        row(out, L"version", text(document["version"]));
        const CHostJson& platform = document["platformName"];
        row(out, L"platform name",
            text(platform["value"]) + L" (" +
                (platform["overridden"].get<bool>() ? L"overridden; real " : L"built for ") + text(platform["real"]) +
                L", machine " + text(document["machinePlatformName"]) + L")");
        const CHostJson& width = document["wordWidth"];
        row(out, L"word width",
            overridableText(width) + (width["overridden"].get<bool>() ? iastring()
                                                                      : L" (machine " + text(width["real"]) + L")"));
        row(out, L"process", text(document["process"]));
        row(out, L"make platform", text(document["makePlatform"]));
        row(out, L"processors",
            std::to_wstring(document["processors"].get<int>()) + L": " + text(document["processorFamily"]));
        std::wostringstream memory;
        memory << document["ramMB"].get<double>() << L" MB RAM, " << document["swapMB"].get<double>()
               << L" MB swap";
        row(out, L"memory", memory.str());
        out << L"\n";
        for (const CHostJson& line : document["dump"])
            out << text(line) << L"\n";
    }
} info;
} // namespace
