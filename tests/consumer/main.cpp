// What an engine team writes against the installed package: its own log book, the factory from the DLL,
// a path and a node, a failure caught by type, and the version of the library it loaded.
#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/synode.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace
{
// The smallest log book an engine can give: messages and log lines to standard output, traces dropped.
class CConsoleLogBook : public ILogBook
{
public:
    void setContextText1(const iastring& text) override { m_context1 = text; }
    const iastring& getContextText1() const override { return m_context1; }
    void setContextText2(const iastring& text) override { m_context2 = text; }
    const iastring& getContextText2() const override { return m_context2; }
    void setFunctionName(const iastring& name) override { m_function = name; }
    const iastring& getFunctionName() const override { return m_function; }
    void setSourceFile(const iastring& file) override { m_file = file; }
    const iastring& getSourceFile() const override { return m_file; }
    void setMessageType(CMessage::eLogMessage type) override { m_type = type; }
    CMessage::eLogMessage getMessageType() const override { return m_type; }
    void useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage to) override { m_mapping[from] = to; }
    void restoreTypeMapping(const CLogTypeMapping& saved) override { m_mapping = saved; }
    CLogTypeMapping getTypeMapping() const override { return m_mapping; }
    void setArguments(const CLogArguments& arguments) override { m_arguments = arguments; }
    const CLogArguments& getArguments() const override { return m_arguments; }
    void clearArguments() override { m_arguments.clear(); }
    void addArgument(const iastring& argument) override { m_arguments.push_back(argument); }
    void setTraceLevel(int level) override { m_level = level; }
    int getTraceLevel() const override { return m_level; }
    void trace(const iastring&, int) override {}
    void log(const iastring& text, int) override { std::wprintf(L"log: %ls\n", text.c_str()); }
    void message(const iastring& key, CMessage::eLogMessage, int) override
    {
        std::wprintf(L"message: %ls", key.c_str());
        for (const iastring& argument : m_arguments)
            std::wprintf(L" [%ls]", argument.c_str());
        std::wprintf(L"\n");
        m_arguments.clear();
    }
    void messageWithFlag(const iastring& key, bool, CMessage::eLogMessage type, int line) override
    {
        message(key, type, line);
    }
    void logMessage(const iastring& key, int line) override { message(key, CMessage::LOG_INFO, line); }
    void indent() override {}
    void unindent() override {}

private:
    iastring m_context1, m_context2, m_function, m_file;
    CMessage::eLogMessage m_type = CMessage::LOG_INFO;
    CLogTypeMapping m_mapping;
    CLogArguments m_arguments;
    int m_level = 0;
};

iastring loadedVersion()
{
    wchar_t path[MAX_PATH] = {0};
    ::GetModuleFileNameW(::GetModuleHandleW(L"syslib.dll"), path, MAX_PATH);
    DWORD ignored = 0;
    std::vector<BYTE> data(::GetFileVersionInfoSizeW(path, &ignored));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (data.empty() || !::GetFileVersionInfoW(path, 0, static_cast<DWORD>(data.size()), data.data()) ||
        !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length))
        return L"(unknown)";
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS));
}
} // namespace

int wmain()
{
    CConsoleLogBook book;
    ISyslibFactory* factory = getSyslibFactory();
    factory->getProcessMgt()->setLogBook(&book);
    int result = 0;
    try
    {
        const IaPtr<ISyFileSystemMgt> files = factory->getFileSystemMgt();
        wchar_t windows[MAX_PATH] = {0};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        const PSyFSPath path = files->getFSPath(windows);
        const PSyNode node = files->getNode(path);
        std::wprintf(L"path %ls is a %ls\n", path->toOSString().c_str(),
                     node->getNodeType() == ISyNode::DIRECTORY ? L"directory" : L"node of another kind");
        try
        {
            files->getNode(files->getFSPath(L"C:\\no\\such\\file"));
            std::wprintf(L"a missing file was found\n");
            result = 1;
        }
        catch (const ESyFileNotFound&)
        {
            std::wprintf(L"a missing file is ESyFileNotFound\n");
        }
    }
    catch (const EVantixException& e)
    {
        std::wprintf(L"failed: %ls\n", e.getText().c_str());
        result = 1;
    }
    factory->getProcessMgt()->setLogBook(nullptr);
    std::wprintf(L"syslib %ls (package %ls)\n", loadedVersion().c_str(), SYSLIB_PACKAGE_VERSION);
    return result;
}
