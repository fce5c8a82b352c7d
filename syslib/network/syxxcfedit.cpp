// Portable code only: how a hosts or services file is rewritten through its temporary copy.
#include "syfileedit.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfedit")

namespace syslib
{
namespace network
{
namespace
{
EditStepHook editStepHook = nullptr;

// The file's lines with their line ends, so that a kept line is written back exactly as it was.
std::vector<std::string> splitKeepingLineEnds(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size())
    {
        const std::string::size_type end = bytes.find('\n', start);
        const std::string::size_type next = end == std::string::npos ? bytes.size() : end + 1;
        lines.push_back(bytes.substr(start, next - start));
        start = next;
    }
    return lines;
}

std::string withoutLineEnd(const std::string& line)
{
    std::string::size_type length = line.size();
    if (length > 0 && line[length - 1] == '\n')
        --length;
    if (length > 0 && line[length - 1] == '\r')
        --length;
    return line.substr(0, length);
}

// A new line follows the file's own convention; a file without one gets the platform's.
std::string lineEndOf(const std::string& bytes)
{
    const std::string::size_type end = bytes.find('\n');
    if (end == std::string::npos || (end > 0 && bytes[end - 1] == '\r'))
        return "\r\n";
    return "\n";
}
} // namespace

EditStepHook setEditStepHook(EditStepHook hook)
{
    const EditStepHook previous = editStepHook;
    editStepHook = hook;
    return previous;
}

void runEditStep(eEditStep step)
{
    if (editStepHook)
        editStepHook(step);
}

std::vector<iastring> readLines(const iastring& file)
{
    std::vector<iastring> lines;
    for (const std::string& line : splitKeepingLineEnds(readFileBytes(file)))
        lines.push_back(toIastring(withoutLineEnd(line)));
    return lines;
}

void editThroughTemporaryCopy(const iastring& file, const CSyLineFilter& keep, const iastring& newLine)
{
    const iastring copy = file + L".Qeltmp";
    try
    {
        // Inside: a copy that fails half way is removed too.
        copyForEdit(file, copy);
        runEditStep(EDIT_READ);
        const std::string original = readFileBytes(file);
        const std::string lineEnd = lineEndOf(original);

        std::string kept;
        if (keep)
        {
            for (const std::string& line : splitKeepingLineEnds(original))
                if (keep(toIastring(withoutLineEnd(line))))
                    kept += line;
        }
        std::string appended;
        if (!newLine.empty())
        {
            // Without this a last line that lacks its line end would run into the new one.
            const std::string& before = keep ? kept : original;
            if (!before.empty() && before[before.size() - 1] != '\n')
                appended = lineEnd;
            appended += toMbstring(newLine) + lineEnd;
        }
        runEditStep(EDIT_WRITE);
        writeToCopy(copy, static_cast<bool>(keep), kept, appended);
        runEditStep(EDIT_ACCESS_RIGHTS);
        copyAccessRights(file, copy);
        runEditStep(EDIT_REPLACE);
        replaceWithCopy(copy, file);
    }
    catch (...)
    {
        removeCopyQuietly(copy);
        throw;
    }
}
} // namespace network
} // namespace syslib
