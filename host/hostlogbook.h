// Host side: the readable log book of syhost. Lines are timestamped and indented by call depth;
// message keys are rendered through the English catalogue; registered secrets never reach the sink.
#pragma once

#include "logbookbase.h"

#include <ostream>
#include <vector>

class CHostLogBook : public CLogBookBase
{
public:
    explicit CHostLogBook(std::wostream& sink);

    // Trace and log lines are written only when verbose; messages always.
    void setVerbose(bool verbose) { m_verbose = verbose; }
    // Any occurrence of the text in a line is written as ********.
    void addSecret(const iastring& secret);

    // The text a message key and its arguments render to.
    static iastring renderMessage(const iastring& key, const CLogArguments& arguments);
    // The text of the last error message written (empty when there was none): the library logs the reason
    // of a failure before it throws.
    const iastring& lastError() const { return m_lastError; }
    // Its message key.
    const iastring& lastErrorKey() const { return m_lastErrorKey; }
    // For a host that catches a failure and goes on: the next failure's reason is its own.
    void clearLastError()
    {
        m_lastError.clear();
        m_lastErrorKey.clear();
    }

protected:
    void write(const CLine& line) override;

private:
    iastring mask(const iastring& text) const;
    const iastring& timestamp();

    std::wostream& m_sink;
    bool m_verbose = true;
    std::vector<iastring> m_secrets;
    iastring m_lastError;
    iastring m_lastErrorKey;
    iastring m_line; // reused: a line costs no allocation
    iastring m_timestamp;
    unsigned long long m_timestampTick = 0;
    unsigned long long m_clock = 0;     // wall clock (FILETIME units) read at m_clockTick
    unsigned long long m_clockTick = 0;
};
