// Directory trees: listing, copying with a progress line a file, and the total size below a directory.
#include "copymode.h"
#include "hostcommand.h"

#include <iomanip>

namespace
{
class CPrintingObserver : public ISyProgressObserver
{
public:
    explicit CPrintingObserver(std::wostream& out) : m_out(out) {}
    void progress(const iastring& text, int) override { m_out << L"  " << text << L"\n" << std::flush; }
    void heading(const iastring& text) override { m_out << text << L"\n" << std::flush; }

private:
    std::wostream& m_out;
};

PSyDirectory directoryArgument(CHostContext& context, const iastring& text)
{
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    return manager->getDirectory(manager->getFSPath(text));
}

int runLs(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.empty() || arguments.size() > 2)
        return usageError(context, L"ls");
    const PSyDirectory directory = directoryArgument(context, arguments[0]);
    const PSyNodeIterator children = directory->getChildNodes(arguments.size() > 1 ? arguments[1] : L"*", false);
    for (; !children->isDone(); children->next())
    {
        const PSyNode child = children->get();
        const bool isDirectory = child->getNodeType() == ISyNode::DIRECTORY;
        context.out << (isDirectory ? L"d " : L"- ") << std::setw(14);
        if (isDirectory)
            context.out << L"";
        else
            context.out << std::fixed << std::setprecision(0) << child->getSize()->getBytes();
        context.out << L"  " << child->getFullNameNoPath() << L"\n";
    }
    return HOST_OK;
}

int runTreeCopy(CHostContext& context, const std::vector<iastring>& arguments)
{
    int mode = ISyNode::MISSING | ISyNode::EXISTING;
    if (arguments.size() == 4 && arguments[2] == L"--mode")
    {
        if (!parseMode(arguments[3], mode))
            return usageError(context, L"tree-copy");
    }
    else if (arguments.size() != 2)
        return usageError(context, L"tree-copy");
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    const PSyDirectory source = directoryArgument(context, arguments[0]);
    CPrintingObserver observer(context.out);
    const bool copied =
        source->copy(manager->getFSPath(arguments[1]), static_cast<ISyNode::CopyMoveMode_t>(mode), &observer);
    context.out << (copied ? L"copied\n" : L"not copied (see the log)\n");
    return copied ? HOST_OK : HOST_FAILED;
}

int runDu(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 1)
        return usageError(context, L"du");
    const PSySize size = directoryArgument(context, arguments[0])->getTotalSize();
    context.out << std::fixed << std::setprecision(0) << size->getBytes() << L" bytes (" << std::setprecision(2)
                << size->getMBytes() << L" MB)\n";
    return HOST_OK;
}

const CHostCommandRegistration ls({L"ls", L"DIR [PATTERN]", L"the entries of DIR matching PATTERN ('*', '?')",
                                   runLs});
const CHostCommandRegistration treeCopy({L"tree-copy", L"SRC DST [--mode MISSING|EXISTING|IF_NEWER|...]",
                                         L"copies the tree below SRC into DST (default mode MISSING|EXISTING)",
                                         runTreeCopy});
const CHostCommandRegistration du({L"du", L"DIR", L"the total size of the files below DIR", runDu});
} // namespace
