// Copying and removing files the way an installer does: the log book shows why a file was or was not
// replaced (decision lines, files in use moved aside, deletions left for the next restart).
#include "hostcommand.h"

#include "syslib/filesystem/synode.h"

#include <algorithm>

namespace
{
struct CModeName
{
    const wchar_t* name;
    ISyNode::CopyMoveMode_t bit;
};

const CModeName modeNames[] = {{L"MISSING", ISyNode::MISSING},
                               {L"EXISTING", ISyNode::EXISTING},
                               {L"IF_NEWER", ISyNode::IF_NEWER},
                               {L"IF_HIGHER_VERSION", ISyNode::IF_HIGHER_VERSION},
                               {L"USE_SETUP_API", ISyNode::USE_SETUP_API},
                               {L"REPLACE_IN_USE", ISyNode::REPLACE_IN_USE},
                               {L"CREATE_PARENTS", ISyNode::CREATE_PARENTS}};

// "MISSING|IF_NEWER" (case as written in the library's own output); false on an unknown name.
bool parseMode(const iastring& text, int& mode)
{
    mode = 0;
    std::size_t start = 0;
    while (start <= text.size())
    {
        const std::size_t end = std::min(text.find(L'|', start), text.size());
        const iastring name = text.substr(start, end - start);
        bool known = false;
        for (const CModeName& entry : modeNames)
            if (name == entry.name)
            {
                mode |= entry.bit;
                known = true;
            }
        if (!known)
            return false;
        start = end + 1;
    }
    return true;
}

iastring modeText(int mode)
{
    iastring text;
    for (const CModeName& entry : modeNames)
        if (mode & entry.bit)
            text += (text.empty() ? L"" : L"|") + iastring(entry.name);
    return text;
}

int runCopy(CHostContext& context, const std::vector<iastring>& arguments)
{
    int mode = ISyNode::MISSING | ISyNode::IF_HIGHER_VERSION | ISyNode::IF_NEWER;
    std::vector<iastring> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        if (arguments[i] == L"--mode" && i + 1 < arguments.size())
        {
            if (!parseMode(arguments[++i], mode))
                return usageError(context, L"copy");
        }
        else
            paths.push_back(arguments[i]);
    }
    if (paths.size() != 2)
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
const CHostCommandRegistration remove({L"rm", L"PATH", L"remove a file; a file in use goes at the next restart",
                                       runRemove});
} // namespace
