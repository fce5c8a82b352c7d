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

// How a file holds its text: in the ANSI code page when it has no byte-order mark, else in the encoding
// the mark names. An edit writes the file back in its own encoding, mark included.
enum eEncoding
{
    ENCODING_ANSI,
    ENCODING_UTF8,
    ENCODING_UTF16LE,
    ENCODING_UTF16BE
};

struct CFileText
{
    eEncoding encoding = ENCODING_ANSI;
    std::string mark;               // the byte-order mark; written back first, whichever lines stay
    std::vector<std::string> lines; // each line's bytes as they are, its line end included
};

std::size_t unitSize(eEncoding encoding)
{
    return encoding == ENCODING_UTF16LE || encoding == ENCODING_UTF16BE ? 2 : 1;
}

// The code unit at a byte offset.
unsigned unitAt(const std::string& bytes, std::size_t at, eEncoding encoding)
{
    const unsigned first = static_cast<unsigned char>(bytes[at]);
    if (unitSize(encoding) == 1)
        return first;
    const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
    return encoding == ENCODING_UTF16LE ? first | second << 8 : first << 8 | second;
}

CFileText parse(const std::string& bytes)
{
    CFileText text;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.encoding = ENCODING_UTF8;
    else if (bytes.compare(0, 2, "\xFF\xFE") == 0)
        text.encoding = ENCODING_UTF16LE;
    else if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        text.encoding = ENCODING_UTF16BE;
    text.mark = bytes.substr(0, text.encoding == ENCODING_UTF8 ? 3 : text.encoding == ENCODING_ANSI ? 0 : 2);
    const std::size_t unit = unitSize(text.encoding);
    std::size_t start = text.mark.size();
    for (std::size_t at = start; at < bytes.size(); at += unit)
    {
        // A last odd byte of a UTF-16 file stays with the last line, as it was.
        if (at + unit > bytes.size())
            break;
        if (unitAt(bytes, at, text.encoding) == L'\n')
        {
            text.lines.push_back(bytes.substr(start, at + unit - start));
            start = at + unit;
        }
    }
    if (start < bytes.size())
        text.lines.push_back(bytes.substr(start));
    return text;
}

iastring decode(const std::string& bytes, eEncoding encoding)
{
    switch (encoding)
    {
    case ENCODING_UTF8:
        return fromUtf8(bytes);
    case ENCODING_UTF16LE:
    case ENCODING_UTF16BE:
    {
        iastring text;
        for (std::size_t at = 0; at + 1 < bytes.size(); at += 2)
            text += static_cast<iachar>(unitAt(bytes, at, encoding));
        return text;
    }
    default:
        return toIastring(bytes);
    }
}

std::string encode(const iastring& text, eEncoding encoding)
{
    switch (encoding)
    {
    case ENCODING_UTF8:
        return toUtf8(text);
    case ENCODING_UTF16LE:
    case ENCODING_UTF16BE:
    {
        std::string bytes;
        for (const iachar c : text)
        {
            const char low = static_cast<char>(c & 0xFF);
            const char high = static_cast<char>((c >> 8) & 0xFF);
            bytes += encoding == ENCODING_UTF16LE ? low : high;
            bytes += encoding == ENCODING_UTF16LE ? high : low;
        }
        return bytes;
    }
    default:
        return toMbstring(text);
    }
}

iastring withoutLineEnd(const iastring& line)
{
    iastring::size_type length = line.size();
    if (length > 0 && line[length - 1] == L'\n')
        --length;
    if (length > 0 && line[length - 1] == L'\r')
        --length;
    return line.substr(0, length);
}

bool endsWithLineEnd(const std::string& line, eEncoding encoding)
{
    const std::size_t unit = unitSize(encoding);
    return line.size() >= unit && unitAt(line, line.size() - unit, encoding) == L'\n';
}

// A new line follows the file's own convention; a file without one gets the platform's.
iastring lineEndOf(const CFileText& text)
{
    for (const std::string& line : text.lines)
        if (endsWithLineEnd(line, text.encoding))
        {
            const iastring decoded = decode(line, text.encoding);
            return decoded.size() > 1 && decoded[decoded.size() - 2] == L'\r' ? L"\r\n" : L"\n";
        }
    return L"\r\n";
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
    const CFileText text = parse(readFileBytes(file));
    std::vector<iastring> lines;
    for (const std::string& line : text.lines)
        lines.push_back(withoutLineEnd(decode(line, text.encoding)));
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
        const CFileText text = parse(readFileBytes(file));

        std::string kept;
        const std::string* last = text.lines.empty() ? nullptr : &text.lines.back();
        if (keep)
        {
            kept = text.mark;
            last = nullptr;
            for (const std::string& line : text.lines)
                if (keep(withoutLineEnd(decode(line, text.encoding))))
                {
                    kept += line;
                    last = &line;
                }
        }
        std::string appended;
        if (!newLine.empty())
        {
            const iastring lineEnd = lineEndOf(text);
            // Without this a last line that lacks its line end would run into the new one.
            appended = encode((last && !endsWithLineEnd(*last, text.encoding) ? lineEnd : iastring()) + newLine +
                                  lineEnd,
                              text.encoding);
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
