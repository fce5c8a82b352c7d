// Size commands: the library's byte, kilobyte and megabyte conversions.
#include "hostcommand.h"

#include <cwctype>
#include <cwchar>
#include <iomanip>

namespace
{
int runSize(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.empty() || arguments.size() > 2)
        return usageError(context, L"size");
    wchar_t* end = nullptr;
    const double amount = std::wcstod(arguments[0].c_str(), &end);
    if (arguments[0].empty() || *end != L'\0')
        return usageError(context, L"size");
    iastring unit = arguments.size() > 1 ? arguments[1] : iastring(L"B");
    for (wchar_t& c : unit)
        c = static_cast<wchar_t>(std::towupper(c));

    const PSySize size = context.factory->getFileSystemMgt()->getSize(0);
    if (unit == L"B")
        size->setBytes(amount);
    else if (unit == L"KB")
        size->setKBytes(amount);
    else if (unit == L"MB")
        size->setMBytes(amount);
    else
        return usageError(context, L"size");

    context.out << L"bytes  " << std::fixed << std::setprecision(0) << size->getBytes() << L"\n"
                << std::defaultfloat << std::setprecision(17) << L"KB     " << size->getKBytes() << L"\n"
                << L"MB     " << size->getMBytes() << L"\n";
    return HOST_OK;
}

const CHostCommandRegistration size({L"size", L"N [B|KB|MB]",
                                     L"N bytes (or kilobytes, megabytes) converted by 1024", runSize});
} // namespace
