// Mount commands: where a path's bytes go and how much room is left there, the first questions when an
// installation runs out of disk.
#include "hostcommand.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <iomanip>
#include <sstream>

namespace
{
const char* typeName(ISyFSMount::eFileSystemType type)
{
    switch (type)
    {
    case ISyFSMount::LOCAL:
        return "LOCAL";
    case ISyFSMount::CDROM:
        return "CDROM";
    case ISyFSMount::NETWORK:
        return "NETWORK";
    default:
        return "ANY";
    }
}

// As the library writes them: (READ|WRITE|PERMANENT), () for none.
std::string optionsText(int options)
{
    std::string text;
    auto add = [&](int bit, const char* name) {
        if (options & bit)
            text += (text.empty() ? "" : "|") + std::string(name);
    };
    if ((options & ISyFSMount::FULL) == ISyFSMount::FULL)
        add(ISyFSMount::FULL, "FULL");
    else
    {
        add(ISyFSMount::READ, "READ");
        add(ISyFSMount::WRITE, "WRITE");
        add(ISyFSMount::EXECUTE, "EXECUTE");
    }
    add(ISyFSMount::NOSUID, "NOSUID");
    add(ISyFSMount::PERMANENT, "PERMANENT");
    return "(" + text + ")";
}

iastring bytes(const CHostJson& value)
{
    std::wostringstream text;
    text << std::fixed << std::setprecision(0) << value.get<double>();
    return text.str();
}

CHostJson mountDocument(CHostContext& context, const PSyFSMount& mount, bool withUse)
{
    CHostJson document;
    document["mountPoint"] = utf8(osPath(context, mount->getMountPoint()->getFullName()));
    document["name"] = utf8(mount->getFSName());
    document["type"] = typeName(mount->getFSType());
    document["options"] = optionsText(mount->getMountOptions());
    document["mounted"] = mount->isMounted();
    if (withUse)
        document["inUse"] = mount->isInUse();
    // An empty drive has no space to tell.
    document["usedBytes"] = mount->isMounted() ? CHostJson(mount->getUsedSpace()->getBytes()) : CHostJson();
    document["freeBytes"] = mount->isMounted() ? CHostJson(mount->getFreeSpace()->getBytes()) : CHostJson();
    document["availableBytes"] = mount->isMounted() ? CHostJson(mount->getQuota()->getBytes()) : CHostJson();
    return document;
}

class CMountsCommand : public CHostCommand
{
public:
    CMountsCommand()
        : CHostCommand("mounts", "",
                       "every mount: drives and volumes mounted into directories, with type, options and space in "
                       "bytes",
                       "syhost --json mounts")
    {
    }
    void define(CLI::App&) override {}
    CHostResult run(CHostContext& context) override
    {
        CHostResult result;
        result.document["mounts"] = CHostJson::array();
        const PSyFSMountIterator mounts = context.factory->getFileSystemMgt()->getFSMounts();
        for (mounts->first(); !mounts->isDone(); mounts->next())
            result.document["mounts"].push_back(mountDocument(context, mounts->get(), false));
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"mount point\ttype\toptions\tused\tfree\tavailable\tname\n";
        for (const CHostJson& mount : document["mounts"])
        {
            out << text(mount["mountPoint"]) << L"\t" << text(mount["type"]) << L"\t" << text(mount["options"])
                << L"\t";
            if (mount["mounted"].get<bool>())
                out << bytes(mount["usedBytes"]) << L"\t" << bytes(mount["freeBytes"]) << L"\t"
                    << bytes(mount["availableBytes"]) << L"\t" << text(mount["name"]) << L"\n";
            else
                out << L"-\t-\t-\t-\n";
        }
    }
} mounts;

void row(std::wostream& out, const wchar_t* label, const iastring& value)
{
    out << std::left << std::setw(13) << label << value << L"\n";
}

class CDfCommand : public CHostCommand
{
public:
    CDfCommand()
        : CHostCommand("df", "PATH", "the volume that holds PATH, with its used, free and available space",
                       "syhost df \"C:\\Program Files\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("path", m_path, "a file or directory on the volume")->required()->check(nonEmpty());
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        CHostResult result;
        result.document = mountDocument(context, files->getFSMount(files->getFSPath(wide(m_path))), true);
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        row(out, L"mount point", text(document["mountPoint"]));
        row(out, L"name", text(document["name"]));
        row(out, L"type", text(document["type"]));
        row(out, L"options", text(document["options"]));
        const bool mounted = document["mounted"].get<bool>();
        row(out, L"mounted", mounted ? L"yes" : L"no");
        row(out, L"in use", document["inUse"].get<bool>() ? L"yes" : L"no");
        if (mounted)
        {
            row(out, L"used", bytes(document["usedBytes"]) + L" bytes");
            row(out, L"free", bytes(document["freeBytes"]) + L" bytes");
            row(out, L"available", bytes(document["availableBytes"]) + L" bytes");
        }
    }

private:
    std::string m_path;
} df;
} // namespace
