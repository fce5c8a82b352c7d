// Counts the file-system calls the program makes, so that a benchmark can say how many a copied file
// costs the library and the raw walk. The library is linked in statically, so its calls and the
// benchmark's own go through the program's import table alike: the counter patches that table for the
// lifetime of the object (benchmark builds only; the library itself is not touched).
#pragma once

#include <string>

namespace bench
{
class CFileCallCounter
{
public:
    CFileCallCounter();
    ~CFileCallCounter();
    CFileCallCounter(const CFileCallCounter&) = delete;
    CFileCallCounter& operator=(const CFileCallCounter&) = delete;

    void reset();
    long long total() const;
    // "Name count (milliseconds inside), …" for the calls made since the last reset, most frequent first.
    std::string breakdown() const;
    // How many of the counted functions the program imports (0: nothing could be counted).
    int hooked() const { return m_hooked; }

private:
    int m_hooked = 0;
};
} // namespace bench
