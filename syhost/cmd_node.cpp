// Copying, moving and removing files and trees the way an installer does: the log book shows why a file was
// or was not replaced (decision lines, files in use moved aside, deletions left for the next restart).
#include "hostcommand.h"

#include "copymode.h"

#include <algorithm>

namespace
{
// SRC DST [--mode MODE]; false on anything else. mode keeps its default without --mode.
bool parseSourceAndTarget(const std::vector<iastring>& arguments, std::vector<iastring>& paths, int& mode)
{
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        if (arguments[i] == L"--mode" && i + 1 < arguments.size())
        {
            if (!parseMode(arguments[++i], mode))
                return false;
        }
        else
            paths.push_back(arguments[i]);
    }
    return paths.size() == 2;
}

int runCopy(CHostContext& context, const std::vector<iastring>& arguments)
{
    int mode = ISyNode::MISSING | ISyNode::IF_HIGHER_VERSION | ISyNode::IF_NEWER;
    std::vector<iastring> paths;
    if (!parseSourceAndTarget(arguments, paths, mode))
        return usageError(context, L"copy");
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    try
    {
        const PSyNode source = manager->getNode(manager->getFSPath(paths[0]));
        const bool copied =
            source->copy(manager->getFSPath(paths[1]), static_cast<ISyNode::CopyMoveMode_t>(mode), nullptr);
        context.out << (copied ? L"copied " : L"not copied ") << source->getFullName() << L" -> " << paths[1]
                    << L" (mode " << modeText(mode) << L")\n";
        return HOST_OK;
    }
    catch (const EVantixException& exception)
    {
        context.out << describeException(exception) << L"\n";
        return HOST_FAILED;
    }
}

int runMove(CHostContext& context, const std::vector<iastring>& arguments)
{
    int mode = ISyNode::MISSING | ISyNode::EXISTING;
    std::vector<iastring> paths;
    if (!parseSourceAndTarget(arguments, paths, mode))
        return usageError(context, L"mv");
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    const PSyNode source = manager->getNode(manager->getFSPath(paths[0]));
    const bool moved = source->move(manager->getFSPath(paths[1]), static_cast<ISyNode::CopyMoveMode_t>(mode));
    context.out << (moved ? L"moved " : L"not moved ") << source->getFullName() << L" -> " << paths[1] << L" (mode "
                << modeText(mode) << L")\n";
    return HOST_OK;
}

int runRemove(CHostContext& context, const std::vector<iastring>& arguments)
{
    if (arguments.size() != 1)
        return usageError(context, L"rm");
    const IaPtr<ISyFileSystemMgt> manager = context.factory->getFileSystemMgt();
    try
    {
        const PSyNode node = manager->getNode(manager->getFSPath(arguments[0]));
        node->remove();
        context.out << L"removed " << node->getFullName() << L"\n";
        return HOST_OK;
    }
    catch (const EVantixException& exception)
    {
        context.out << describeException(exception) << L"\n";
        return HOST_FAILED;
    }
}

const CHostCommandRegistration copy({L"copy", L"SRC DST [--mode MISSING|EXISTING|IF_NEWER|IF_HIGHER_VERSION|"
                                              L"USE_SETUP_API|REPLACE_IN_USE|CREATE_PARENTS]",
                                     L"copy a file as an installer does (default MISSING|IF_NEWER|IF_HIGHER_VERSION); "
                                     L"the log shows the decision",
                                     runCopy});
const CHostCommandRegistration move({L"mv", L"SRC DST [--mode MISSING|EXISTING|IF_NEWER|...]",
                                     L"move a file or directory (default MISSING|EXISTING); onto a directory that is "
                                     L"there, the content moves in as the mode decides",
                                     runMove});
const CHostCommandRegistration remove({L"rm", L"PATH",
                                       L"remove a file or a directory tree; what is in use goes at the next restart",
                                       runRemove});
} // namespace
