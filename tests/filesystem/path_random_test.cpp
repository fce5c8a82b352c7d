// Generated and mutated path texts: every text parses or throws a path exception, and the normal and
// canonical forms are fixed points.
#include "syslib/common/syexcept.h"
#include "syslib/filesystem/sypath.h"
#include "tests/filesystem/pathprint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
#include <random>
#include <string>

namespace
{
const wchar_t* const pieces[] = {
    L"/",    L"\\",      L"//",    L"\\\\",   L"\\\\?\\", L"//?/",  L"\\\\?\\UNC\\", L"//?/UNC/", L"\\\\?\\Volume{",
    L"}",    L"C:",      L"c:",    L"z:",     L"~",       L"~user", L".",            L"..",       L"...",
    L"a",    L"Temp",    L"file.txt", L"x.3.log", L"Program Files", L" ", L"\t",     L"*",        L"?",
    L"<",    L">",       L":",     L"\"",     L"|",       L"\x01",  L"\x7f",         L"\x00e9",   L"\x4e2d",
    L"UNC",  L"Volume{", L"srv",   L"share",  L"CON",     L"a.",    L"a ",
};

const wchar_t* const seeds[] = {
    L"C:\\Program Files\\Vantix\\bin\\setup.exe",
    L"c:/temp/../temp/./x.txt",
    L"\\\\server\\share\\dir\\file.1.dat",
    L"\\\\?\\C:\\very\\long\\path",
    L"\\\\?\\UNC\\server\\share\\x",
    L"\\\\?\\Volume{6a1c0b1e-0000-0000-0000-100000000000}\\dir",
    L"~installer/config/app.ini",
    L"relative/dir/..//file",
    L"/rooted/x",
};

// Deterministic on every standard library: only the engine's raw output is used.
class CGenerator
{
public:
    explicit CGenerator(std::uint32_t seed) : m_engine(seed) {}

    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(m_engine() % bound); }

    iastring generated()
    {
        iastring text;
        const std::size_t count = below(12);
        for (std::size_t i = 0; i < count; ++i)
        {
            if (below(40) == 0)
                text.append(1 + below(300), below(2) ? L'a' : L'/'); // long runs
            else
                text += pieces[below(sizeof(pieces) / sizeof(pieces[0]))];
        }
        return text;
    }

    iastring mutated()
    {
        iastring text = below(2) ? iastring(seeds[below(sizeof(seeds) / sizeof(seeds[0]))]) : generated();
        const std::size_t edits = 1 + below(4);
        for (std::size_t i = 0; i < edits; ++i)
        {
            const std::size_t at = text.empty() ? 0 : below(text.size() + 1);
            const iastring piece = pieces[below(sizeof(pieces) / sizeof(pieces[0]))];
            switch (below(3))
            {
            case 0:
                text.insert(at, piece);
                break;
            case 1:
                text.erase(at, below(4));
                break;
            default:
                text.replace(at, 1, piece);
                break;
            }
        }
        return text;
    }

private:
    std::mt19937 m_engine;
};

// Windows cannot store a name that ends in a dot or a space, and its full-path normalisation trims
// such names differently on each pass, so they have no canonical fixed point to check.
bool holdsOnlyStorableNames(const CSyPath& path)
{
    for (std::size_t i = 0; i < path.size(); ++i)
    {
        const iastring text = path.textAt(i);
        const CSyPathComponent::eType type = path.typeAt(i);
        if (type != CSyPathComponent::CURRENT_DIR && type != CSyPathComponent::PARENT_DIR && !text.empty() &&
            (text.back() == L'.' || text.back() == L' '))
            return false;
    }
    return true;
}

// Two paths share their text with another path: a UNC server named "?" reads back as a long prefix,
// and white space at the end of the text is trimmed away.
bool hasUnambiguousText(const CSyPath& path)
{
    const iastring last = path.textAt(path.size() - 1);
    if (!last.empty() && std::iswspace(last.back()))
        return false;
    const std::size_t prefix = path.significantPrefixIndex();
    return !(path.typeAt(prefix) == CSyPathComponent::UNC_PREFIX && prefix + 1 < path.size() &&
             path.textAt(prefix + 1) == L"?");
}

std::string printable(const iastring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out += c >= 32 && c < 127 ? static_cast<char>(c) : '#';
    return out;
}
} // namespace

TEST(PathRandomTest, EveryTextParsesOrThrowsAPathException)
{
    CGenerator generator(20240611u);
    const int total = 300000;
    int parsed = 0;
    int refused = 0;
    int canonicalised = 0;
    for (int i = 0; i < total; ++i)
    {
        const iastring text = i % 2 ? generator.mutated() : generator.generated();
        try
        {
            const CSyPath path(text);
            ++parsed;
            EXPECT_FALSE(path.toOSString().empty() && !path.isEmpty()) << printable(text);

            if (hasUnambiguousText(path))
            {
                ASSERT_EQ(path, CSyPath(path.toString())) << printable(text);
                ASSERT_EQ(path, CSyPath(path.toOSString())) << printable(text);
            }
            CSyPath normal = path;
            normal.normalize();
            CSyPath again = normal;
            again.normalize();
            ASSERT_EQ(normal, again) << printable(text);

            // The file system is slow: canonicalise a sample.
            if (i % 200 == 0 && holdsOnlyStorableNames(path))
            {
                const CSyPath canonical = path.getCanonicalPathImpl();
                ASSERT_EQ(canonical, canonical.getCanonicalPathImpl()) << printable(text);
                ++canonicalised;
            }
        }
        catch (const ESyPathComponent&)
        {
            ++refused;
        }
        catch (const ESyPath&)
        {
            ++refused;
        }
        catch (const EVantixException& other)
        {
            FAIL() << "other library exception for " << printable(text) << ": " << printable(other.getText());
        }
        catch (const std::exception& other)
        {
            FAIL() << "std::exception for " << printable(text) << ": " << other.what();
        }
    }
    // The mix exercises both outcomes and the file system.
    EXPECT_GT(parsed, total / 10);
    EXPECT_GT(refused, total / 10);
    EXPECT_GT(canonicalised, 500);
}
