// The copy modes as syhost reads and writes them: "MISSING|IF_NEWER", the names the library prints.
#pragma once

#include "hostcommand.h"
#include "syslib/filesystem/synode.h"

#include <algorithm>

struct CModeName
{
    const wchar_t* name;
    ISyNode::CopyMoveMode_t bit;
};

inline const CModeName modeNames[] = {{L"MISSING", ISyNode::MISSING},
                               {L"EXISTING", ISyNode::EXISTING},
                               {L"IF_NEWER", ISyNode::IF_NEWER},
                               {L"IF_HIGHER_VERSION", ISyNode::IF_HIGHER_VERSION},
                               {L"USE_SETUP_API", ISyNode::USE_SETUP_API},
                               {L"REPLACE_IN_USE", ISyNode::REPLACE_IN_USE},
                               {L"CREATE_PARENTS", ISyNode::CREATE_PARENTS}};

// "MISSING|IF_NEWER" (case as written in the library's own output); false on an unknown name.
inline bool parseMode(const iastring& text, int& mode)
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

inline iastring modeText(int mode)
{
    iastring text;
    for (const CModeName& entry : modeNames)
        if (mode & entry.bit)
            text += (text.empty() ? L"" : L"|") + iastring(entry.name);
    return text;
}

// --mode MODE, checked while parsing: "--mode SOMETIMES" names the modes there are.
inline CLI::Option* addModeOption(CLI::App& command, std::string& mode, const char* defaultText)
{
    iastring names;
    for (const CModeName& entry : modeNames)
        names += (names.empty() ? L"" : L", ") + iastring(entry.name);
    const std::string known = utf8(names);
    return command
        .add_option("--mode", mode, std::string("modes joined by |: ") + known + " (default " + defaultText + ")")
        ->check(CLI::Validator(
            [known](std::string& value) {
                int bits = 0;
                return parseMode(wide(value), bits) ? std::string() : "unknown mode " + value + "; the modes are " + known;
            },
            "MODE"));
}

// The mode of a checked --mode, or the default.
inline ISyNode::CopyMoveMode_t modeOf(const std::string& given, int defaultMode)
{
    int mode = defaultMode;
    if (!given.empty())
        parseMode(wide(given), mode);
    return static_cast<ISyNode::CopyMoveMode_t>(mode);
}
