// Replaces one entry of a stand-in table for its lifetime, so that a test can make one call fail the
// way the system can.
#pragma once

namespace standins
{
template <class F>
class CApiOverride
{
public:
    CApiOverride(F& entry, F replacement) : m_entry(entry), m_saved(entry) { m_entry = replacement; }
    ~CApiOverride() { m_entry = m_saved; }
    CApiOverride(const CApiOverride&) = delete;
    CApiOverride& operator=(const CApiOverride&) = delete;

private:
    F& m_entry;
    F m_saved;
};
} // namespace standins
