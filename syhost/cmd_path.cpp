// Paths as the library reads them: what a support engineer checks when an installer writes to the
// wrong place.
#include "hostcommand.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <functional>

namespace
{
const wchar_t* yesNo(const CHostJson& value)
{
    return value.get<bool>() ? L"yes" : L"no";
}

class CPathCommand : public CHostCommand
{
public:
    CPathCommand()
        : CHostCommand("path", "PATH...", "show how paths are parsed: forms, prefix, components, canonical form",
                       "syhost path \"C:\\Temp\\..\\setup.exe\" \"\\\\server\\share\\dir\"")
    {
    }
    void define(CLI::App& command) override { command.add_option("paths", m_paths, "the paths")->required(); }
    CHostResult run(CHostContext& context) override
    {
        const IaPtr<ISyFileSystemMgt> files = context.factory->getFileSystemMgt();
        CHostResult result;
        result.document["paths"] = CHostJson::array();
        for (const std::string& given : m_paths)
        {
            const iastring text = wide(given);
            CHostJson entry = {{"path", given}};
            PSyFSPath path;
            try
            {
                path = files->getFSPath(text);
            }
            catch (const EVantixException& exception)
            {
                entry["error"] = errorJson(exception, *context.logBook);
                result.document["paths"].push_back(entry);
                result.exit = HOST_FAILED;
                continue;
            }
            entry["neutral"] = utf8(path->toString());
            entry["os"] = utf8(path->toOSString());
            entry["prefix"] = utf8(path->getPrefix());
            entry["components"] = CHostJson::array();
            for (const CSyFSPathComponentInfo& component : path->getComponents())
                entry["components"].push_back({{"type", utf8(component.typeName)}, {"text", utf8(component.text)}});
            entry["absolute"] = path->isAbsolute();
            entry["root"] = path->isRoot();
            // A form that needs the file system or a home directory may fail on its own; the others still show.
            const std::pair<const char*, std::function<iastring()>> derived[] = {
                {"absolutePath", [&] { return path->getAbsolutePath()->toString(); }},
                {"canonicalPath", [&] { return path->getCanonicalPath()->toString(); }},
                {"canonicalOS", [&] { return files->convertToOSPath(text); }}};
            for (const auto& form : derived)
            {
                try
                {
                    entry[form.first] = utf8(form.second());
                }
                catch (const EVantixException& exception)
                {
                    entry[form.first] = {{"error", errorJson(exception, *context.logBook)}};
                }
            }
            result.document["paths"].push_back(entry);
        }
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        for (const CHostJson& entry : document["paths"])
        {
            out << L"path \"" << text(entry["path"]) << L"\"\n";
            if (entry.contains("error"))
            {
                out << L"  " << errorLine(entry["error"]) << L"\n";
                continue;
            }
            out << L"  neutral:    " << text(entry["neutral"]) << L"\n"
                << L"  OS form:    " << text(entry["os"]) << L"\n"
                << L"  prefix:     " << text(entry["prefix"]) << L"\n"
                << L"  components:";
            for (const CHostJson& component : entry["components"])
                out << L" " << text(component["type"]) << L" \"" << text(component["text"]) << L"\"";
            out << L"\n"
                << L"  absolute:   " << yesNo(entry["absolute"]) << L"\n"
                << L"  root:       " << yesNo(entry["root"]) << L"\n";
            const std::pair<const char*, const wchar_t*> derived[] = {{"absolutePath", L"absolute path:  "},
                                                                      {"canonicalPath", L"canonical path: "},
                                                                      {"canonicalOS", L"canonical OS:   "}};
            for (const auto& form : derived)
            {
                const CHostJson& value = entry[form.first];
                out << L"  " << form.second << (value.is_string() ? text(value) : errorLine(value["error"])) << L"\n";
            }
        }
    }

private:
    std::vector<std::string> m_paths;
} path;
} // namespace
