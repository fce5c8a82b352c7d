// A log book that records every line the library writes, with the file, function and line it was
// attributed to, so that tests can assert the exact texts, message keys and argument orders.
#pragma once

#include "host/logbookbase.h"

#include <ostream>
#include <vector>

struct CRecordedLine
{
    CLogBookBase::eLineKind kind;
    iastring text; // trace or log text, or the message key
    CMessage::eLogMessage type;
    bool flag;
    int line;
    iastring sourceFile;
    iastring functionName;
    CLogArguments arguments;
    int depth;
};

class CRecordingLogBook : public CLogBookBase
{
public:
    // Makes itself the library-wide log book for its lifetime.
    CRecordingLogBook();
    ~CRecordingLogBook() override;

    const std::vector<CRecordedLine>& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

    std::vector<CRecordedLine> messages() const;
    std::vector<CRecordedLine> messages(const iastring& key) const;
    std::vector<iastring> traces() const;
    std::vector<iastring> logs() const;
    bool hasTrace(const iastring& text) const;
    // Whether a log line is exactly text.
    bool hasLog(const iastring& text) const;
    // Whether any line holds text anywhere: its text, function name or arguments (a password must not).
    bool holdsAnywhere(const iastring& text) const;
    // The only message with this key; fails the test when there is not exactly one.
    CRecordedLine onlyMessage(const iastring& key) const;

protected:
    void write(const CLine& line) override;

private:
    std::vector<CRecordedLine> m_lines;
    ILogBook* m_previous;
};

// Lets GoogleTest print wide strings readably in failure messages.
void PrintTo(const CRecordedLine& line, std::ostream* os);

// True when a line was written inside the trace guard of the function with this signature.
bool ranFunction(const CRecordingLogBook& book, const iastring& signature);
