// Makes the library's file calls fail the way Windows can, one at a time: every call through the file-call
// table is numbered and shown to a rule, which lets it through (0) or fails it with an OS error. A test
// counts the calls of an operation once, then fails each of them in turn and checks what is left.
#pragma once

#include "framework/iastring.h"
#include "standins/files/safileapi.h"

#include <functional>
#include <vector>

struct CFileCall
{
    int number; // from 1, in the order the library makes them
    const wchar_t* function;
    iastring path;   // the first name (empty for a call on a handle)
    iastring target; // the second name of a copy or move (empty when there is none)
    unsigned long flags;
};

class CFileFaults
{
public:
    typedef std::function<unsigned long(const CFileCall& call)> Rule;

    // Puts the counting entries into the table for its lifetime; one at a time.
    explicit CFileFaults(Rule rule = Rule());
    ~CFileFaults();
    CFileFaults(const CFileFaults&) = delete;
    CFileFaults& operator=(const CFileFaults&) = delete;

    void setRule(Rule rule) { m_rule = rule; }
    // Numbering starts again.
    void reset() { m_calls.clear(); }
    const std::vector<CFileCall>& calls() const { return m_calls; }
    // The calls as text, one a line, for a failure message.
    std::string describe() const;

    // Fails call number n with error, lets every other one through.
    static Rule failNumber(int n, unsigned long error);

    // Called by the entries: records the call, and answers the error to fail it with (0: none).
    unsigned long decide(const wchar_t* function, const iastring& path, const iastring& target, unsigned long flags);

private:
    syslib::SyFileApi m_saved;
    Rule m_rule;
    std::vector<CFileCall> m_calls;
};
