// Name patterns: portable code only.
#include "sypattern.h"

#include "framework/iastrutil.h"

CSyNamePattern::CSyNamePattern(const iastring& pattern, bool caseSensitive)
    : m_pattern(caseSensitive ? pattern : stringToLower(pattern)), m_caseSensitive(caseSensitive)
{
}

bool CSyNamePattern::matches(const iastring& candidate) const
{
    if (m_pattern.empty())
        return true;
    const iastring name = m_caseSensitive ? candidate : stringToLower(candidate);
    // Greedy with one backtrack point: the last "*" seen takes one more character when the rest fails.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = iastring::npos;
    std::size_t resume = 0;
    while (n < name.size())
    {
        if (p < m_pattern.size() && (m_pattern[p] == L'?' || m_pattern[p] == name[n]))
        {
            ++p;
            ++n;
        }
        else if (p < m_pattern.size() && m_pattern[p] == L'*')
        {
            star = p++;
            resume = n;
        }
        else if (star != iastring::npos)
        {
            p = star + 1;
            n = ++resume;
        }
        else
            return false;
    }
    while (p < m_pattern.size() && m_pattern[p] == L'*')
        ++p;
    return p == m_pattern.size();
}
