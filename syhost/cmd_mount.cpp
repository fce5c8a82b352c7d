// Mount commands: where a path's bytes go and how much room is left there, the first questions when an
// installation runs out of disk.
#include "hostcommand.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <iomanip>
#include <sstream>

namespace
{
const wchar_t* typeName(ISyFSMount::eFileSystemType type)
{
    switch (type)
    {
    case ISyFSMount::LOCAL:
        return L"LOCAL";
    case ISyFSMount::CDROM:
        return L"CDROM";
    case ISyFSMount::NETWORK:
        return L"NETWORK";
    default:
        return L"ANY";
    }
}

// As the library writes them: (READ|WRITE|PERMANENT), () for none.
iastring optionsText(int options)
{
    iastring text;
    auto add = [&](int bit, const wchar_t* name) {
        if (options & bit)
            text += (text.empty() ? L"" : L"|") + iastring(name);
    };
    if ((options & ISyFSMount::FULL) == ISyFSMount::FULL)
        add(ISyFSMount::FULL, L"FULL");
    else
    {
        add(ISyFSMount::READ, L"READ");
        add(ISyFSMount::WRITE, L"WRITE");
        add(ISyFSMount::EXECUTE, L"EXECUTE");
    }
    add(ISyFSMount::NOSUID, L"NOSUID");
    add(ISyFSMount::PERMANENT, L"PERMANENT");
    return L"(" + text + L")";
}

iastring bytes(const PSySize& size)
{
    std::wostringstream text;
    text << std::fixed << std::setprecision(0) << size->getBytes();
    return text.str();
}

int runMounts(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (!arguments.empty())
        return usageError(context, L"mounts");
    const PSyFSMountIterator mounts = context.factory->getFileSystemMgt()->getFSMounts();
    context.out << L"mount point\ttype\toptions\tused\tfree\tavailable\tname\n";
    for (mounts->first(); !mounts->isDone(); mounts->next())
    {
        const PSyFSMount mount = mounts->get();
        context.out << mount->getMountPoint()->getFullName() << L"\t" << typeName(mount->getFSType()) << L"\t"
                    << optionsText(mount->getMountOptions()) << L"\t";
        // An empty drive has no space to tell.
        if (mount->isMounted())
            context.out << bytes(mount->getUsedSpace()) << L"\t" << bytes(mount->getFreeSpace()) << L"\t"
                        << bytes(mount->getQuota()) << L"\t" << mount->getFSName() << L"\n";
        else
            context.out << L"-\t-\t-\t-\n";
    }
    return HOST_OK;
}

void row(std::wostream& out, const wchar_t* label, const iastring& value)
{
    out << std::left << std::setw(13) << label << value << L"\n";
}

int runDf(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 1 || arguments[0].empty())
        return usageError(context, L"df");
    const IaPtr<ISyFileSystemMgt> mgt = context.factory->getFileSystemMgt();
    const PSyFSMount mount = mgt->getFSMount(mgt->getFSPath(arguments[0]));
    std::wostream& out = context.out;
    row(out, L"mount point", mount->getMountPoint()->getFullName());
    row(out, L"name", mount->getFSName());
    row(out, L"type", typeName(mount->getFSType()));
    row(out, L"options", optionsText(mount->getMountOptions()));
    const bool mounted = mount->isMounted();
    row(out, L"mounted", mounted ? L"yes" : L"no");
    row(out, L"in use", mount->isInUse() ? L"yes" : L"no");
    if (mounted)
    {
        row(out, L"used", bytes(mount->getUsedSpace()) + L" bytes");
        row(out, L"free", bytes(mount->getFreeSpace()) + L" bytes");
        row(out, L"available", bytes(mount->getQuota()) + L" bytes");
    }
    return HOST_OK;
}

const CHostCommandRegistration mounts({L"mounts", L"",
                                       L"every mount: drives and volumes mounted into directories, with type, "
                                       L"options and space in bytes",
                                       runMounts});
const CHostCommandRegistration df({L"df", L"PATH",
                                   L"the volume that holds PATH, with its used, free and available space", runDf});
} // namespace
