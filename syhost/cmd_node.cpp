// Copying, moving and removing files and trees the way an installer does: the log book shows why a file was
// or was not replaced (decision lines, files in use moved aside, deletions left for the next restart).
#include "hostcommand.h"

#include "copymode.h"

namespace
{
// copy and mv: SRC DST [--mode MODE], and the line that says what happened.
class CTransferCommand : public CHostCommand
{
public:
    CTransferCommand(const char* name, const char* synopsis, const char* summary, const char* example,
                     int defaultMode, const wchar_t* done)
        : CHostCommand(name, synopsis, summary, example), m_defaultMode(defaultMode), m_done(done)
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("source", m_source, "the file or directory to take")->required()->check(nonEmpty());
        command.add_option("target", m_target, "where it goes")->required()->check(nonEmpty());
        addModeOption(command, m_mode, utf8(modeText(m_defaultMode)).c_str());
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        const PSyNode source = files->getNode(files->getFSPath(wide(m_source)));
        const ISyNode::CopyMoveMode_t mode = modeOf(m_mode, m_defaultMode);
        CHostResult result;
        result.document = {{"done", transfer(*source, files->getFSPath(wide(m_target)), mode)},
                           {"source", utf8(osPath(context, source->getFullName()))},
                           {"target", utf8(osPath(context, wide(m_target)))},
                           {"mode", utf8(modeText(mode))}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << (document["done"].get<bool>() ? L"" : L"not ") << m_done << L" " << text(document["source"])
            << L" -> " << text(document["target"]) << L" (mode " << text(document["mode"]) << L")\n";
    }

protected:
    virtual bool transfer(ISyNode& source, const PSyFSPath& target, ISyNode::CopyMoveMode_t mode) = 0;

private:
    int m_defaultMode;
    const wchar_t* m_done;
    std::string m_source;
    std::string m_target;
    std::string m_mode;
};

class CCopyCommand : public CTransferCommand
{
public:
    CCopyCommand()
        : CTransferCommand("copy", "SRC DST [--mode MODE]",
                           "copy a file as an installer does (default MISSING|IF_NEWER|IF_HIGHER_VERSION); the log "
                           "shows the decision",
                           "syhost copy setup\\app.dll \"C:\\Program Files\\App\\app.dll\" --mode \"MISSING|IF_NEWER\"",
                           ISyNode::MISSING | ISyNode::IF_HIGHER_VERSION | ISyNode::IF_NEWER, L"copied")
    {
    }

protected:
    bool transfer(ISyNode& source, const PSyFSPath& target, ISyNode::CopyMoveMode_t mode) override
    {
        return source.copy(target, mode, nullptr);
    }
} copy;

class CMoveCommand : public CTransferCommand
{
public:
    CMoveCommand()
        : CTransferCommand("mv", "SRC DST [--mode MODE]",
                           "move a file or directory (default MISSING|EXISTING); onto a directory that is there, the "
                           "content moves in as the mode decides",
                           "syhost mv C:\\staging\\app C:\\app --mode \"MISSING|EXISTING\"",
                           ISyNode::MISSING | ISyNode::EXISTING, L"moved")
    {
    }

protected:
    bool transfer(ISyNode& source, const PSyFSPath& target, ISyNode::CopyMoveMode_t mode) override
    {
        return source.move(target, mode);
    }
} move;

class CRemoveCommand : public CHostCommand
{
public:
    CRemoveCommand()
        : CHostCommand("rm", "PATH", "remove a file or a directory tree; what is in use goes at the next restart",
                       "syhost rm C:\\staging")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("path", m_path, "the file or directory")->required()->check(nonEmpty());
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        const PSyNode node = files->getNode(files->getFSPath(wide(m_path)));
        node->remove();
        CHostResult result;
        result.document = {{"removed", utf8(osPath(context, node->getFullName()))}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"removed " << text(document["removed"]) << L"\n";
    }

private:
    std::string m_path;
} remove;
} // namespace
