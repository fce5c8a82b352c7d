// Directory trees: listing, copying with a progress line a file, and the total size below a directory.
#include "copymode.h"
#include "hostcommand.h"

#include <iomanip>

namespace
{
// Progress goes out as it comes for a person; a script finds it in the document.
class CRecordingObserver : public ISyProgressObserver
{
public:
    CRecordingObserver(CHostContext& context, CHostJson& lines) : m_context(context), m_lines(lines) {}
    void progress(const iastring& text, int) override { add(L"  " + text); }
    void heading(const iastring& text) override { add(text); }

private:
    void add(const iastring& line)
    {
        m_lines.push_back(utf8(line));
        if (!m_context.json)
            m_context.out << line << L"\n" << std::flush;
    }
    CHostContext& m_context;
    CHostJson& m_lines;
};

PSyDirectory directoryArgument(CHostContext& context, const std::string& text)
{
    const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
    return files->getDirectory(files->getFSPath(wide(text)));
}

class CLsCommand : public CHostCommand
{
public:
    CLsCommand()
        : CHostCommand("ls", "DIR [PATTERN]", "the entries of DIR matching PATTERN ('*', '?')",
                       "syhost ls C:\\Windows \"*.exe\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("directory", m_directory, "the directory")->required()->check(nonEmpty());
        command.add_option("pattern", m_pattern, "'*' any characters, '?' one (*)");
    }
    CHostResult run(CHostContext& context) override
    {
        const PSyDirectory directory = directoryArgument(context, m_directory);
        CHostResult result;
        result.document["directory"] = utf8(osPath(context, directory->getFullName()));
        result.document["entries"] = CHostJson::array();
        for (const PSyNodeIterator children = directory->getChildNodes(wide(m_pattern), false); !children->isDone();
             children->next())
        {
            const PSyNode child = children->get();
            const bool isDirectory = child->getNodeType() == ISyNode::DIRECTORY;
            result.document["entries"].push_back(
                {{"name", utf8(child->getFullNameNoPath())},
                 {"type", isDirectory ? "directory" : "file"},
                 {"bytes", isDirectory ? CHostJson() : CHostJson(child->getSize()->getBytes())}});
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const CHostJson& entry : document["entries"])
        {
            const bool isDirectory = entry["bytes"].is_null();
            out << (isDirectory ? L"d " : L"- ") << std::setw(14);
            if (isDirectory)
                out << L"";
            else
                out << std::fixed << std::setprecision(0) << entry["bytes"].get<double>();
            out << L"  " << text(entry["name"]) << L"\n";
        }
    }

private:
    std::string m_directory;
    std::string m_pattern = "*";
} ls;

class CTreeCopyCommand : public CHostCommand
{
public:
    CTreeCopyCommand()
        : CHostCommand("tree-copy", "SRC DST [--mode MODE] [--workers N]",
                       "copies the tree below SRC into DST (default mode MISSING|EXISTING)",
                       "syhost tree-copy D:\\setup\\files \"C:\\Program Files\\App\" --mode \"MISSING|IF_NEWER\"")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("source", m_source, "the directory whose tree is copied")->required()->check(nonEmpty());
        command.add_option("target", m_target, "the directory it goes into")->required()->check(nonEmpty());
        addModeOption(command, m_mode, "MISSING|EXISTING");
        command
            .add_option("--workers", m_workers,
                        "files copied at once, as robocopy's /MT: 1 copies one at a time, 0 (the default) lets "
                        "the library choose")
            ->check(CLI::Range(0, 16));
    }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        const PSyDirectory source = directoryArgument(context, m_source);
        files->setTreeCopyWorkers(m_workers);
        CHostResult result;
        result.document["progress"] = CHostJson::array();
        CRecordingObserver observer(context, result.document["progress"]);
        const bool copied = source->copy(files->getFSPath(wide(m_target)),
                                         modeOf(m_mode, ISyNode::MISSING | ISyNode::EXISTING), &observer);
        result.document["copied"] = copied;
        if (!copied)
            result.fail(L"NotCopied", L"not copied (see the log)");
        return result;
    }
    // The progress went out while the copy ran.
    void render(const CHostJson& document, std::wostream& out) const override
    {
        if (document["copied"].get<bool>())
            out << L"copied\n";
    }

private:
    std::string m_source;
    std::string m_target;
    std::string m_mode;
    int m_workers = 0;
} treeCopy;

class CDuCommand : public CHostCommand
{
public:
    CDuCommand() : CHostCommand("du", "DIR", "the total size of the files below DIR", "syhost du C:\\Windows\\Fonts") {}
    void define(CLI::App& command) override
    {
        command.add_option("directory", m_directory, "the directory")->required()->check(nonEmpty());
    }
    CHostResult run(CHostContext& context) override
    {
        const PSySize size = directoryArgument(context, m_directory)->getTotalSize();
        CHostResult result;
        result.document = {{"bytes", size->getBytes()}, {"MB", size->getMBytes()}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << std::fixed << std::setprecision(0) << document["bytes"].get<double>() << L" bytes ("
            << std::setprecision(2) << document["MB"].get<double>() << L" MB)\n";
    }

private:
    std::string m_directory;
} du;
} // namespace
