#include "recordinglogbook.h"

#include "host/hostcatalogue.h"
#include "syslib/common/sytrace.h"

#include <gtest/gtest.h>

CRecordingLogBook::CRecordingLogBook() : m_previous(syslib::setLogBook(this))
{
}

CRecordingLogBook::~CRecordingLogBook()
{
    syslib::setLogBook(m_previous);
}

void CRecordingLogBook::write(const CLine& line)
{
    // Every message of the library that any test provokes must be one the host can write whole: a catalogue
    // text for its key that takes exactly the arguments given. Keys a test makes up are its own affair.
    const bool libraryKey = line.text.compare(0, 7, L"syslib.") == 0 || line.text.compare(0, 7, L"common.") == 0 ||
                            line.text.compare(0, 7, L"utlmod.") == 0;
    if (line.kind == LINE_MESSAGE && libraryKey && !catalogueText(line.text, line.arguments.size()))
        ADD_FAILURE() << "no catalogue text for " << std::string(line.text.begin(), line.text.end()) << " with "
                      << line.arguments.size() << " argument(s)";
    m_lines.push_back({line.kind, line.text, line.type, line.flag, line.line, line.sourceFile, line.functionName,
                       line.arguments, line.depth});
}

std::vector<CRecordedLine> CRecordingLogBook::messages() const
{
    std::vector<CRecordedLine> found;
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_MESSAGE)
            found.push_back(line);
    return found;
}

std::vector<CRecordedLine> CRecordingLogBook::messages(const iastring& key) const
{
    std::vector<CRecordedLine> found;
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_MESSAGE && line.text == key)
            found.push_back(line);
    return found;
}

std::vector<iastring> CRecordingLogBook::traces() const
{
    std::vector<iastring> found;
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_TRACE)
            found.push_back(line.text);
    return found;
}

std::vector<iastring> CRecordingLogBook::logs() const
{
    std::vector<iastring> found;
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_LOG)
            found.push_back(line.text);
    return found;
}

bool CRecordingLogBook::hasLog(const iastring& text) const
{
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_LOG && line.text == text)
            return true;
    return false;
}

bool CRecordingLogBook::holdsAnywhere(const iastring& text) const
{
    for (const CRecordedLine& line : m_lines)
    {
        if (line.text.find(text) != iastring::npos || line.functionName.find(text) != iastring::npos)
            return true;
        for (const iastring& argument : line.arguments)
            if (argument.find(text) != iastring::npos)
                return true;
    }
    return false;
}

bool CRecordingLogBook::hasTrace(const iastring& text) const
{
    for (const CRecordedLine& line : m_lines)
        if (line.kind == LINE_TRACE && line.text == text)
            return true;
    return false;
}

CRecordedLine CRecordingLogBook::onlyMessage(const iastring& key) const
{
    const std::vector<CRecordedLine> found = messages(key);
    EXPECT_EQ(1u, found.size()) << "messages with this key";
    if (found.empty())
        return CRecordedLine{LINE_MESSAGE, key, CMessage::LOG_INFO, false, 0, L"", L"", {}, 0};
    return found.front();
}

void PrintTo(const CRecordedLine& line, std::ostream* os)
{
    auto narrow = [](const iastring& text) {
        std::string out;
        for (wchar_t c : text)
            out += c < 128 ? static_cast<char>(c) : '?';
        return out;
    };
    *os << (line.kind == CLogBookBase::LINE_MESSAGE ? "message " : line.kind == CLogBookBase::LINE_LOG ? "log " : "trace ")
        << narrow(line.text) << " type " << line.type << " line " << line.line << " file " << narrow(line.sourceFile);
    for (const iastring& argument : line.arguments)
        *os << " [" << narrow(argument) << "]";
}

bool ranFunction(const CRecordingLogBook& book, const iastring& signature)
{
    for (const CRecordedLine& line : book.lines())
        if (line.functionName == signature)
            return true;
    return false;
}
