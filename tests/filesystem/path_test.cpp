#include "syslib/common/syexcept.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/syswin.h"
#include "syslib/filesystem/syfspathimpl.h"
#include "tests/filesystem/pathprint.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
typedef CSyPathComponent C;

struct CExpected
{
    C::eType type;
    const wchar_t* text;
};

std::string describe(C::eType type, const iastring& value)
{
    const iastring name = C::typeName(type);
    return std::string(name.begin(), name.end()) + "(" + std::string(value.begin(), value.end()) + ") ";
}

void expectComponents(const CSyPath& path, const std::vector<CExpected>& expected)
{
    bool same = path.size() == expected.size();
    std::string actualText, expectedText;
    for (std::size_t i = 0; i < path.size(); ++i)
    {
        actualText += describe(path.typeAt(i), path.textAt(i));
        same = same && i < expected.size() && path.typeAt(i) == expected[i].type && path.textAt(i) == expected[i].text;
    }
    for (const CExpected& component : expected)
        expectedText += describe(component.type, component.text);
    EXPECT_TRUE(same) << "got " << actualText << "\nwant " << expectedText;
}

// What the system itself answers for a path, as the expected canonical form.
iastring systemLongPath(const iastring& path)
{
    wchar_t full[MAX_PATH + 1] = {0};
    ::GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
    wchar_t resolved[MAX_PATH + 1] = {0};
    if (::GetLongPathNameW(full, resolved, MAX_PATH + 1) == 0)
        return full;
    return resolved;
}

iastring upperDrive(iastring path)
{
    if (path.size() > 1 && path[1] == L':')
        path[0] = static_cast<wchar_t>(::towupper(path[0]));
    return path;
}

// Runs the test body inside a directory and restores the working directory afterwards.
class CWorkingDirectory
{
public:
    explicit CWorkingDirectory(const iastring& directory)
    {
        wchar_t previous[MAX_PATH + 1] = {0};
        ::GetCurrentDirectoryW(MAX_PATH + 1, previous);
        m_previous = previous;
        ::SetCurrentDirectoryW(directory.c_str());
    }
    ~CWorkingDirectory() { ::SetCurrentDirectoryW(m_previous.c_str()); }

private:
    iastring m_previous;
};

struct CParseCase
{
    const wchar_t* input;
    std::vector<CExpected> components;
    const wchar_t* neutral;
    const wchar_t* os;
    const wchar_t* prefix;
    bool absolute;
    bool root;
};

const std::vector<CParseCase>& parseCases()
{
    static const std::vector<CParseCase> cases = {
        {L"", {{C::EMPTY_PREFIX, L""}}, L"", L"", L"", false, false},
        {L"C:\\Temp\\x", {{C::DRIVE, L"C:"}, {C::NAME, L"Temp"}, {C::NAME, L"x"}}, L"C:/Temp/x", L"C:\\Temp\\x",
         L"C:", true, false},
        {L"C:/Temp/x", {{C::DRIVE, L"C:"}, {C::NAME, L"Temp"}, {C::NAME, L"x"}}, L"C:/Temp/x", L"C:\\Temp\\x",
         L"C:", true, false},
        {L"C:", {{C::DRIVE, L"C:"}}, L"C:/", L"C:\\", L"C:", true, true},
        {L"/", {{C::ROOT, L"/"}}, L"/", L"\\", L"/", false, true},
        {L"/a", {{C::ROOT, L"/"}, {C::NAME, L"a"}}, L"/a", L"\\a", L"/", false, false},
        {L"a//b/", {{C::EMPTY_PREFIX, L""}, {C::NAME, L"a"}, {C::NAME, L"b"}}, L"a/b", L"a\\b", L"", false, false},
        {L" \t./a/../b \r\n",
         {{C::EMPTY_PREFIX, L""}, {C::CURRENT_DIR, L"."}, {C::NAME, L"a"}, {C::PARENT_DIR, L".."}, {C::NAME, L"b"}},
         L"./a/../b", L".\\a\\..\\b", L"", false, false},
        {L"\\\\srv\\share\\dir", {{C::UNC_PREFIX, L"\\\\"}, {C::NAME, L"srv"}, {C::NAME, L"share"}, {C::NAME, L"dir"}},
         L"\\\\srv/share/dir", L"\\\\srv\\share\\dir", L"\\\\", true, false},
        {L"//srv/share", {{C::UNC_PREFIX, L"\\\\"}, {C::NAME, L"srv"}, {C::NAME, L"share"}}, L"\\\\srv/share/",
         L"\\\\srv\\share\\", L"\\\\", true, true},
        {L"\\\\?\\C:\\a", {{C::LONG_PREFIX, L"\\\\?\\"}, {C::DRIVE, L"C:"}, {C::NAME, L"a"}}, L"\\\\?\\C:/a",
         L"\\\\?\\C:\\a", L"C:", true, false},
        {L"\\\\?\\UNC\\srv\\share\\a",
         {{C::LONG_UNC_PREFIX, L"\\\\?\\UNC\\"}, {C::NAME, L"srv"}, {C::NAME, L"share"}, {C::NAME, L"a"}},
         L"\\\\?\\UNC\\srv/share/a", L"\\\\?\\UNC\\srv\\share\\a", L"\\\\?\\UNC\\", true, false},
        {L"//?/Volume{1234-ab}/dir/f", {{C::VOLUME_PREFIX, L"\\\\?\\Volume{1234-ab}"}, {C::NAME, L"dir"}, {C::NAME, L"f"}},
         L"\\\\?\\Volume{1234-ab}/dir/f", L"\\\\?\\Volume{1234-ab}\\dir\\f", L"\\\\?\\Volume{1234-ab}", true, false},
        {L"\\\\?\\Volume{1234-ab}", {{C::VOLUME_PREFIX, L"\\\\?\\Volume{1234-ab}"}}, L"\\\\?\\Volume{1234-ab}/",
         L"\\\\?\\Volume{1234-ab}\\", L"\\\\?\\Volume{1234-ab}", true, true},
        // After a long prefix the rest is read again, so a relative rest gets its own empty prefix.
        {L"\\\\?\\foo", {{C::LONG_PREFIX, L"\\\\?\\"}, {C::EMPTY_PREFIX, L""}, {C::NAME, L"foo"}}, L"\\\\?\\foo",
         L"\\\\?\\foo", L"", false, false},
        // Prefix texts are compared exactly: a lower-case unc is no long UNC prefix.
        {L"\\\\?\\unc\\s", {{C::LONG_PREFIX, L"\\\\?\\"}, {C::EMPTY_PREFIX, L""}, {C::NAME, L"unc"}, {C::NAME, L"s"}},
         L"\\\\?\\unc/s", L"\\\\?\\unc\\s", L"", false, false},
        {L"~", {{C::HOME, L"~"}}, L"~", L"~", L"~", false, false},
        {L"~bob\\x", {{C::HOME, L"~bob"}, {C::NAME, L"x"}}, L"~bob/x", L"~bob\\x", L"~bob", false, false},
        // Tildes and drive forms count only in the first position; * and ? are not forbidden.
        {L"a/~x/*?", {{C::EMPTY_PREFIX, L""}, {C::NAME, L"a"}, {C::NAME, L"~x"}, {C::NAME, L"*?"}}, L"a/~x/*?",
         L"a\\~x\\*?", L"", false, false},
    };
    return cases;
}
} // namespace

TEST(PathParseTest, ComponentsFormsAndPredicates)
{
    CRecordingLogBook book;
    for (const CParseCase& c : parseCases())
    {
        SCOPED_TRACE(::testing::Message() << "input: " << std::wstring(c.input).c_str());
        const CSyPath path(c.input);
        expectComponents(path, c.components);
        EXPECT_EQ(c.neutral, path.toString());
        EXPECT_EQ(c.os, path.toOSString());
        EXPECT_EQ(c.prefix, path.getPrefix());
        EXPECT_EQ(c.absolute, path.isAbsolute());
        EXPECT_EQ(c.root, path.isRoot());
        EXPECT_EQ(iastring(c.input).empty(), path.isEmpty());
    }
    EXPECT_TRUE(book.messages().empty());
}

TEST(PathParseTest, BothFormsParseBackToTheSamePath)
{
    CRecordingLogBook book;
    for (const CParseCase& c : parseCases())
    {
        SCOPED_TRACE(::testing::Message() << "input: " << std::wstring(c.input).c_str());
        const CSyPath path(c.input);
        EXPECT_EQ(path, CSyPath(path.toString()));
        EXPECT_EQ(path, CSyPath(path.toOSString()));
    }
}

TEST(PathParseTest, ConstructorIsTracedWithItsText)
{
    CRecordingLogBook book;
    const CSyPath path(L"C:\\x");
    ASSERT_EQ(2u, book.lines().size());
    EXPECT_EQ(L"begin of constructor", book.lines()[0].text);
    EXPECT_EQ(L"CSyPath::CSyPath(C:\\x)", book.lines()[0].functionName);
    EXPECT_EQ(L"syxxcpath", book.lines()[0].sourceFile);
    EXPECT_EQ(L"end of constructor", book.lines()[1].text);
}

TEST(PathParseTest, ForbiddenCharactersAreLoggedTwiceAndThrown)
{
    struct CBadCase
    {
        const wchar_t* input;
        const wchar_t* component;
        iachar character;
    };
    const CBadCase cases[] = {
        {L"C:foo\\x", L"C:foo", L':'},       // a drive followed directly by a name
        {L"dir\\a<b", L"a<b", L'<'},
        {L"a>b", L"a>b", L'>'},
        {L"x/a|b/y", L"a|b", L'|'},
        {L"x/\"q\"", L"\"q\"", L'"'},
        {L"x/C:", L"C:", L':'},              // a drive form after the first position is a name
        {L"~a:b", L"~a:b", L':'},
        {L">:\\x", L">:", L'>'},             // a drive's letter is checked against the slashes too
        {L"//?/Volume{a:b}/x", L"\\\\?\\Volume{a:b}", L':'},
    };
    for (const CBadCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "input: " << std::wstring(c.input).c_str());
        CRecordingLogBook book;
        try
        {
            CSyPath path(c.input);
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyForbiddenCharInPath& bad)
        {
            EXPECT_EQ(c.component, bad.getComponent());
            EXPECT_EQ(c.character, bad.getForbiddenChar());
            EXPECT_EQ(L"Bad path component: " + iastring(c.component), bad.getText());
        }
        const std::vector<CRecordedLine> messages = book.messages();
        ASSERT_EQ(2u, messages.size());
        EXPECT_EQ(L"syslib.filesystem.badCharacterInPathComponent", messages[0].text);
        EXPECT_EQ((CLogArguments{iastring(1, c.character), c.component}), messages[0].arguments);
        EXPECT_EQ(L"syslib.filesystem.badCharacterInPath", messages[1].text);
        EXPECT_EQ((CLogArguments{iastring(1, c.character), c.input}), messages[1].arguments);
        EXPECT_EQ(CMessage::LOG_ERROR, messages[1].type);
    }
}

TEST(PathComponentTest, ClassificationDependsOnPosition)
{
    EXPECT_EQ(C::DRIVE, C::classify(L"c:", true));
    EXPECT_EQ(C::NAME, C::classify(L"c:", false));
    EXPECT_EQ(C::HOME, C::classify(L"~x", true));
    EXPECT_EQ(C::NAME, C::classify(L"~x", false));
    EXPECT_EQ(C::NAME, C::classify(L"...", false));
    EXPECT_EQ(C::NAME, C::classify(L"\\\\?\\UNC", false));
    EXPECT_EQ(C::LONG_UNC_PREFIX, C::classify(L"\\\\?\\UNC\\", false));
    EXPECT_EQ(C::UNC_PREFIX, C::classify(L"\\\\", false));
    // The forbidden sets: slashes are allowed in prefixes only; a drive checks only its letter.
    EXPECT_EQ(L'\\', C::findForbiddenChar(L"a\\b", C::NAME));
    EXPECT_EQ(0, C::findForbiddenChar(L"\\\\?\\", C::LONG_PREFIX));
    EXPECT_EQ(L':', C::findForbiddenChar(L"\\\\?\\a:", C::LONG_PREFIX));
    EXPECT_EQ(0, C::findForbiddenChar(L"x:", C::DRIVE));
    EXPECT_EQ(0, C::findForbiddenChar(L"a*?\x01", C::NAME));
}

TEST(PathAppendTest, ComponentsAndPaths)
{
    CRecordingLogBook book;
    CSyPath drive(L"C:");
    drive.appendComponent(L"x");
    drive.appendComponent(L"..");
    EXPECT_EQ(L"C:/x/..", drive.toString());
    EXPECT_EQ(L"CSyPath::push_back(const CSyPathComponent& ..)", book.lines().at(book.lines().size() - 2).functionName);

    // On an empty path the component is the first one: a name gets the empty prefix before it.
    CSyPath empty;
    empty.appendComponent(L"a");
    expectComponents(empty, {{C::EMPTY_PREFIX, L""}, {C::NAME, L"a"}});

    // Only the relative part is appended: prefix, server and share are dropped.
    CSyPath base(L"C:/a");
    base.append(CSyPath(L"\\\\srv\\share\\x\\y"));
    base.append(CSyPath(L"\\\\?\\D:\\b"));
    base.append(CSyPath(L"\\\\?\\UNC\\srv\\share\\c"));
    base.append(CSyPath(L"rel/d"));
    base.append(CSyPath(L"/e"));
    EXPECT_EQ(L"C:/a/x/y/b/c/rel/d/e", base.toString());

    CSyPath longUnc(L"\\\\?\\UNC\\srv\\share");
    longUnc.append(CSyPath(L"D:\\x"));
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\share\\x", longUnc.toOSString());
}

TEST(PathAppendTest, PrefixComponentsAreRefused)
{
    struct CRefusal
    {
        const wchar_t* path;
        const wchar_t* component;
    };
    const CRefusal cases[] = {
        {L"", L"C:"}, {L"", L"~bob"}, {L"C:/", L""}, {L"a", L"/"}, {L"a", L"\\\\"}, {L"a", L"\\\\?\\"},
    };
    for (const CRefusal& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "component: " << std::wstring(c.component).c_str());
        CRecordingLogBook book;
        CSyPath path(c.path);
        const CSyPath before = path;
        try
        {
            path.appendComponent(c.component);
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyCannotAppendPrefix& refused)
        {
            EXPECT_EQ(c.component, refused.getBadPath());
            EXPECT_EQ(L"Bad path: " + iastring(c.component), refused.getText());
        }
        EXPECT_EQ(CLogArguments{c.component},
                  book.onlyMessage(L"syslib.filesystem.cannotAppendPrefixComponent").arguments);
        EXPECT_EQ(before, path);
    }
    // A tilde name is a plain name once the path has a prefix.
    CSyPath path(L"C:/");
    path.appendComponent(L"~bob");
    EXPECT_EQ(L"C:/~bob", path.toString());
    EXPECT_THROW(path.appendComponent(L"a/b"), ESyForbiddenCharInPath);
}

TEST(PathNormalizeTest, DotsNeverClimbAbovePrefixServerOrShare)
{
    struct CNormalCase
    {
        const wchar_t* input;
        const wchar_t* normal;
    };
    const CNormalCase cases[] = {
        {L"C:/a/../../b", L"C:/b"},
        {L"C:/./a/./b/..", L"C:/a"},
        {L"\\\\srv\\share\\..\\..\\x", L"\\\\srv/share/x"},
        {L"\\\\?\\UNC\\srv\\share\\a\\..\\..\\y", L"\\\\?\\UNC\\srv/share/y"},
        {L"\\\\?\\C:\\..\\z", L"\\\\?\\C:/z"},
        {L"/../a", L"/a"},
        {L"a/b/../../..", L""},
    };
    for (const CNormalCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "input: " << std::wstring(c.input).c_str());
        CSyPath path(c.input);
        path.normalize();
        EXPECT_EQ(c.normal, path.toString());
    }
}

TEST(PathNormalizeTest, LongFormConversion)
{
    CSyPath unc(L"\\\\srv\\share\\a");
    unc.addLongForm();
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\share\\a", unc.toOSString());
    unc.addLongForm();
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\share\\a", unc.toOSString());
    unc.removeLongForm();
    EXPECT_EQ(L"\\\\srv\\share\\a", unc.toOSString());

    CSyPath drive(L"C:\\a");
    drive.addLongForm();
    expectComponents(drive, {{C::LONG_PREFIX, L"\\\\?\\"}, {C::DRIVE, L"C:"}, {C::NAME, L"a"}});
    EXPECT_EQ(L"C:", drive.getPrefix());
    drive.removeLongForm();
    EXPECT_EQ(CSyPath(L"C:\\a"), drive);

    CSyPath longAlone(L"\\\\?\\");
    longAlone.removeLongForm();
    EXPECT_TRUE(longAlone.isEmpty());
}

TEST(PathAbsoluteTest, RelativeRootAndHomePrefixes)
{
    CTempDir dir;
    CWorkingDirectory inside(dir.path());
    CRecordingLogBook book;

    const CSyPath working(dir.path());
    CSyPath expected = working;
    expected.append(CSyPath(L"x/y"));
    EXPECT_EQ(expected, CSyPath(L"x\\y").getAbsolutePath());
    EXPECT_EQ(working, CSyPath(L"").getAbsolutePath());

    CSyPath onDrive = working.head(1);
    onDrive.append(CSyPath(L"z"));
    EXPECT_EQ(onDrive, CSyPath(L"/z").getAbsolutePath());

    // The long form survives the trip through the working directory.
    CSyPath longRelative(L"\\\\?\\q");
    CSyPath longExpected = expected.head(expected.size() - 2);
    longExpected.append(CSyPath(L"q"));
    longExpected.addLongForm();
    EXPECT_EQ(longExpected, longRelative.getAbsolutePath());

    const CSyPath absolute(L"\\\\srv\\share\\a");
    EXPECT_EQ(absolute, absolute.getAbsolutePath());

    // No home directory can be resolved yet.
    book.clear();
    const CSyPath home(L"~bob/x");
    EXPECT_FALSE(home.canResolveHomeIndicator());
    try
    {
        home.getAbsolutePath();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyCannotGetAbsolutePath& failed)
    {
        EXPECT_EQ(L"Bad path: ~bob/x", failed.getText());
    }
    EXPECT_EQ(CLogArguments{L"~bob/x"}, book.onlyMessage(L"syslib.filesystem.cannotGetAbsolutePath").arguments);
    EXPECT_THROW(home.getCanonicalPathImpl(), ESyCannotGetAbsolutePath);
    EXPECT_THROW(home.getMaxPathLength(), ESyCannotGetAbsolutePath);
}

TEST(PathCanonicalTest, AgreesWithTheSystemAndNormalises)
{
    CTempDir dir;
    CRecordingLogBook book;
    ASSERT_TRUE(::CreateDirectoryW((dir / L"Long Directory Name").c_str(), nullptr));
    writeTestFile(dir / L"Long Directory Name\\file.txt", "x");

    // Lower-case drive, mixed separators, dots: the system's full and long name with an upper-case drive.
    iastring messy = dir / L"Long Directory Name\\.\\..\\Long Directory Name/file.txt";
    messy[0] = static_cast<wchar_t>(::towlower(messy[0]));
    const CSyPath messyPath(messy);
    book.clear();
    const CSyPath canonical = messyPath.getCanonicalPathImpl();
    EXPECT_EQ(upperDrive(systemLongPath(dir / L"Long Directory Name\\file.txt")), canonical.toOSString());
    EXPECT_EQ(L"CSyPath::getCanonicalPathImpl()", book.lines().front().functionName);
    EXPECT_EQ(L"synxcpath", book.lines().front().sourceFile);
    EXPECT_EQ(L"return value: " + canonical.toString(), book.traces().at(book.traces().size() - 2));

    // A short (8.3) name is expanded; a missing tail is kept as written after what exists.
    wchar_t shortName[MAX_PATH + 1] = {0};
    ASSERT_NE(0u, ::GetShortPathNameW((dir / L"Long Directory Name").c_str(), shortName, MAX_PATH + 1));
    book.clear();
    const CSyPath withTail = CSyPath(iastring(shortName) + L"\\missing\\Tail.TXT").getCanonicalPathImpl();
    CSyPath expectedTail(upperDrive(systemLongPath(dir / L"Long Directory Name")));
    expectedTail.append(CSyPath(L"missing\\Tail.TXT"));
    EXPECT_EQ(expectedTail, withTail);
    ASSERT_FALSE(book.logs().empty());
    EXPECT_EQ(0u, book.logs().front().find(L"GetLongPathNam failed for "));
    EXPECT_TRUE(book.messages().empty());

    // Canonicalising a canonical path changes nothing.
    EXPECT_EQ(withTail, withTail.getCanonicalPathImpl());
}

namespace
{
// A path's long form and canonical form with the log they write, asked the cheap way or walking every
// folder with GetLongPathNameW.
struct CLongForms
{
    iastring resolved;
    iastring canonical;
    std::vector<iastring> logs;
    bool ownLongForm = false;
    bool operator==(const CLongForms& other) const
    {
        return resolved == other.resolved && canonical == other.canonical && logs == other.logs &&
               ownLongForm == other.ownLongForm;
    }
};

void PrintTo(const CLongForms& forms, std::ostream* os)
{
    *os << ::testing::PrintToString(forms.resolved) << " " << ::testing::PrintToString(forms.canonical) << " "
        << ::testing::PrintToString(forms.logs) << (forms.ownLongForm ? " own" : "");
}

CLongForms longForms(const iastring& text, bool walk)
{
    syslib::filesystem::carriedFactsDisabled() = walk;
    CRecordingLogBook book;
    CLongForms forms;
    const CSyPath path(text);
    forms.resolved = path.resolveShortPathComponents().toOSString();
    forms.canonical = path.getCanonicalPathImpl().toOSString();
    forms.ownLongForm = path.isOwnLongForm();
    forms.logs = book.logs();
    syslib::filesystem::carriedFactsDisabled() = false;
    return forms;
}
} // namespace

// The long form read through one opening of the node must be what the long-name walk gives, for
// every way a path can differ from its long form or miss part of it.
// An opening refused for another reason than a missing leaf (access, sharing) is left to the walk; wine
// opens or answers ERROR_FILE_NOT_FOUND for every path here, so only Windows can show that case.
TEST(PathCanonicalTest, TheLongFormSeenThroughAnOpeningIsTheWalksLongForm)
{
    CTempDir dir;
    ASSERT_TRUE(::CreateDirectoryW((dir / L"Mixed Case Folder").c_str(), nullptr));
    writeTestFile(dir / L"Mixed Case Folder\\Some File.Txt", "x");
    // A name that could be a short name is looked up by the walk, which then spells it as on disk.
    writeTestFile(dir / L"Mixed Case Folder\\Setup.Ini", "x");
    wchar_t shortName[MAX_PATH + 1] = {0};
    ASSERT_NE(0u, ::GetShortPathNameW((dir / L"Mixed Case Folder").c_str(), shortName, MAX_PATH + 1));
    iastring lowerDrive = dir / L"Mixed Case Folder\\Some File.Txt";
    lowerDrive[0] = static_cast<wchar_t>(::towlower(lowerDrive[0]));

    const std::vector<iastring> paths = {
        dir / L"Mixed Case Folder\\Some File.Txt",            // as on disk
        dir / L"Mixed Case Folder",                           // a folder
        dir / L"MIXED case folder\\some file.txt",            // in another case
        dir / L"Mixed Case Folder\\SETUP.ini",                // a short-name-like name in another case
        lowerDrive,                                           // a lower-case drive letter
        iastring(shortName) + L"\\Some File.Txt",             // through a short name
        dir / L"Mixed Case Folder\\Missing.txt",              // a missing leaf
        dir / L"Mixed Case Folder\\No Folder\\Missing.txt",   // a missing folder and leaf
        dir / L"mixed case folder\\Missing.txt",              // a missing leaf under another case
        dir / L"Mixed Case Folder\\Setup.Ini\\child.txt",     // through a file
    };
    for (const iastring& path : paths)
    {
        const CLongForms walked = longForms(path, true);
        EXPECT_EQ(walked, longForms(path, false)) << ::testing::PrintToString(path);
    }
    EXPECT_TRUE(longForms(dir / L"Mixed Case Folder\\Some File.Txt", false).ownLongForm);
    EXPECT_FALSE(longForms(iastring(shortName) + L"\\Some File.Txt", false).ownLongForm);
    EXPECT_FALSE(longForms(dir / L"Mixed Case Folder\\SETUP.ini", false).ownLongForm);
    EXPECT_FALSE(longForms(dir / L"Mixed Case Folder\\Missing.txt", false).ownLongForm);

    // A file someone holds open without sharing is looked up all the same.
    const syslib::CSyKernelHandle held(::CreateFileW((dir / L"Mixed Case Folder\\Some File.Txt").c_str(),
                                                     GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                                     nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(longForms(dir / L"mixed case folder\\Some File.Txt", true),
              longForms(dir / L"mixed case folder\\Some File.Txt", false));
    EXPECT_TRUE(longForms(dir / L"Mixed Case Folder\\Some File.Txt", false).ownLongForm);
}

TEST(PathCanonicalTest, LongAndUncPrefixesAreKept)
{
    CTempDir dir;
    CRecordingLogBook book;
    ASSERT_TRUE(::CreateDirectoryW((dir / L"sub").c_str(), nullptr));
    const CSyPath plain = CSyPath(dir / L"sub").getCanonicalPathImpl();

    const CSyPath longForm = CSyPath(L"\\\\?\\" + dir.path() + L"\\sub\\..\\sub\\.").getCanonicalPathImpl();
    CSyPath expected = plain;
    expected.addLongForm();
    EXPECT_EQ(expected, longForm);
    EXPECT_EQ(C::LONG_PREFIX, longForm[0].getType());

    // A long UNC path is canonicalised in its short form and gets its long prefix back; nothing
    // climbs above the share.
    const CSyPath longUnc = CSyPath(L"\\\\?\\UNC\\nosuchserver.invalid\\share\\a\\..\\..\\b").getCanonicalPathImpl();
    EXPECT_EQ(L"\\\\?\\UNC\\nosuchserver.invalid\\share\\b", longUnc.toOSString());
    const CSyPath unc = CSyPath(L"//nosuchserver.invalid/share/./c").getCanonicalPathImpl();
    EXPECT_EQ(L"\\\\nosuchserver.invalid\\share\\c", unc.toOSString());
}

TEST(PathCompareTest, CanonicalFormsIgnoringCase)
{
    CTempDir dir;
    CRecordingLogBook book;
    EXPECT_TRUE(CSyPath(L"c:/TEMP").isEqual(CSyPath(L"C:/temp")));
    EXPECT_TRUE(CSyPath(L"C:/a/b/..").isEqual(CSyPath(L"C:\\A")));
    EXPECT_FALSE(CSyPath(L"C:/a").isEqual(CSyPath(L"C:/a/b")));
    EXPECT_FALSE(CSyPath(L"C:/a").isEqual(CSyPath(L"D:/a")));

    EXPECT_TRUE(CSyPath(L"C:/A").isPrefixOf(CSyPath(L"c:/a/b")));
    EXPECT_TRUE(CSyPath(L"C:/a").isPrefixOf(CSyPath(L"C:/a")));
    EXPECT_FALSE(CSyPath(L"C:/a/b").isPrefixOf(CSyPath(L"C:/a")));
    EXPECT_FALSE(CSyPath(L"C:/ab").isPrefixOf(CSyPath(L"C:/a/b")));

    CWorkingDirectory inside(dir.path());
    EXPECT_TRUE(CSyPath(L"x").isEqual(CSyPath(dir / L"X")));
}

TEST(PathFileNameTest, SplitIntoBaseVersionAndExtension)
{
    struct CSplitCase
    {
        const wchar_t* name;
        const wchar_t* base;
        int version;
        const wchar_t* extension;
    };
    const CSplitCase cases[] = {
        {L"a.txt", L"a", 0, L"txt"},          {L"a.3.txt", L"a", 3, L"txt"},
        {L"a.3", L"a", 3, L""},                {L"a", L"a", 0, L""},
        {L".profile", L".profile", 0, L""},    {L"a.b.c", L"a.b", 0, L"c"},
        {L"a.0.txt", L"a.0", 0, L"txt"},       {L"a.12345678901.txt", L"a.12345678901", 0, L"txt"},
        {L"file.", L"file.", 0, L""},          {L"lib.so.12.tar", L"lib.so", 12, L"tar"},
    };
    for (const CSplitCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "name: " << std::wstring(c.name).c_str());
        iastring base = L"old";
        int version = -1;
        iastring extension = L"old";
        CSyPath::splitFileName(c.name, base, version, extension);
        EXPECT_EQ(c.base, base);
        EXPECT_EQ(c.version, version);
        EXPECT_EQ(c.extension, extension);
    }
}

TEST(PathInterfaceTest, ParentFileAndVersionedPaths)
{
    CRecordingLogBook book;
    const PSyFSPath path = getSyslibFactory()->getFileSystemMgt()->getFSPath(L"c:\\dir\\a.3.txt");

    PSyFSPath parent;
    iastring file;
    path->splitIntoParentAndFile(parent, file);
    EXPECT_EQ(L"C:/dir", parent->toString());
    EXPECT_EQ(L"a.3.txt", file);

    iastring base;
    int version = 0;
    iastring extension;
    path->splitFileName(base, version, extension);
    EXPECT_EQ((std::vector<iastring>{L"a", L"3", L"txt"}),
              (std::vector<iastring>{base, std::to_wstring(version), extension}));
    EXPECT_EQ(L"C:/dir/a.5.txt", path->getVersionedPath(5)->toString());
    EXPECT_EQ(L"C:/dir/b.2", getSyslibFactory()->getFileSystemMgt()->getFSPath(L"C:/dir/b")->getVersionedPath(2)->toString());

    book.clear();
    EXPECT_THROW(path->getVersionedPath(0), ESyPrecondition);
    EXPECT_EQ((CLogArguments{L"version", L"CSyFSPathImpl::getVersionedPath(int) const"}),
              book.onlyMessage(L"common.parameterNotValid").arguments);

    const PSyFSPath drive = getSyslibFactory()->getFileSystemMgt()->getFSPath(L"C:");
    EXPECT_FALSE(drive->hasFileComponent());
    book.clear();
    try
    {
        drive->splitIntoParentAndFile(parent, file);
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyNotEnoughPathComponentsToGoToParent& failed)
    {
        EXPECT_EQ(L"Bad path: C:/", failed.getText());
    }
    EXPECT_EQ(CLogArguments{L"C:/"}, book.onlyMessage(L"syslib.filesystem.pathHasNoFileComponent").arguments);
    EXPECT_THROW(drive->splitFileName(base, version, extension), ESyNotEnoughPathComponentsToGoToParent);
}

TEST(PathInterfaceTest, CopiesAreIndependent)
{
    CRecordingLogBook book;
    const PSyFSPath path = getSyslibFactory()->getFileSystemMgt()->getFSPath(L"C:/a");
    const PSyFSPath copy = path->clone();
    copy->appendComponent(L"b");
    const PSyFSPath joined = path->concat(getSyslibFactory()->getFileSystemMgt()->getFSPath(L"\\\\srv\\share\\c"));
    EXPECT_EQ(L"C:/a", path->toString());
    EXPECT_EQ(L"C:/a/b", copy->toString());
    EXPECT_EQ(L"C:/a/c", joined->toString());
    EXPECT_EQ(1, path->getRefCount());

    EXPECT_TRUE(path->isPrefixOf(copy));
    EXPECT_FALSE(copy->isEqual(path));
    EXPECT_TRUE(copy->getRealPath()->isEqual(copy->getFullPath()));
    EXPECT_EQ(L'/', path->getSeparator());
    EXPECT_EQ(L'\\', path->getOSSeparator());

    book.clear();
    EXPECT_THROW(path->append(PSyFSPath()), ESyPrecondition);
    EXPECT_EQ(L"path", book.onlyMessage(L"common.parameterNotValid").arguments.at(0));
}

TEST(PathLimitsTest, MaximumLengths)
{
    CTempDir dir;
    CRecordingLogBook book;
    EXPECT_EQ(253, CSyPath(L"C:/abc").getMaxPathLength());
    EXPECT_EQ(0, CSyPath(L"C:/" + iastring(297, L'x')).getMaxPathLength());

    wchar_t volume[MAX_PATH + 1] = {0};
    ASSERT_TRUE(::GetVolumePathNameW(dir.path().c_str(), volume, MAX_PATH + 1));
    DWORD expected = 0;
    ASSERT_TRUE(::GetVolumeInformationW(volume, nullptr, 0, nullptr, &expected, nullptr, nullptr, 0));
    EXPECT_EQ(expected, CSyPath(dir / L"not-yet").getMaxComponentNameLength());
}

TEST(PathLimitsTest, UnknownVolumeIsReportedWithItsOSError)
{
    CRecordingLogBook book;
    try
    {
        CSyPath(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\x").getMaxComponentNameLength();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyException& failed)
    {
        const CRecordedLine reported = book.onlyMessage(L"syslib.sysCallFailed");
        const iastring call = reported.arguments.at(0);
        EXPECT_TRUE(call == L"GetVolumePathName" || call == L"GetVolumeInformation") << std::string(call.begin(), call.end());
        EXPECT_EQ(L"synxcpath", reported.arguments.at(5));
        EXPECT_NE(iastring::npos, failed.getText().find(reported.arguments.at(3)));
    }
}

TEST(PathAncestorTest, FromTheTopDownToThePath)
{
    struct CAncestorCase
    {
        const wchar_t* path;
        std::vector<iastring> ancestors;
    };
    const CAncestorCase cases[] = {
        {L"C:/a/b", {L"C:/", L"C:/a", L"C:/a/b"}},
        {L"\\\\srv\\share\\d", {L"\\\\srv/share/", L"\\\\srv/share/d"}},
        {L"\\\\?\\C:\\x", {L"\\\\?\\C:/", L"\\\\?\\C:/x"}},
        {L"/r", {L"/", L"/r"}},
        {L"C:", {L"C:/"}},
    };
    CRecordingLogBook book;
    for (const CAncestorCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "path: " << std::wstring(c.path).c_str());
        const PSyFSPathIterator iterator(new CSyFSPathAncestorIterator(CSyPath(c.path)));
        std::vector<iastring> ancestors;
        for (iterator->first(); !iterator->isDone(); iterator->next())
            ancestors.push_back(iterator->get()->toString());
        EXPECT_EQ(c.ancestors, ancestors);
        // Starting again gives the same walk.
        iterator->first();
        EXPECT_EQ(c.ancestors.front(), iterator->get()->toString());
    }
}

TEST(FileSystemMgtPathTest, ValidityConversionAndComponents)
{
    CRecordingLogBook book;
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    EXPECT_FALSE(manager->isValidPath(L""));
    EXPECT_FALSE(manager->isValidPath(L"C:/a|b"));
    EXPECT_TRUE(manager->isValidPath(L"~")) << "the current user's profile";
    EXPECT_TRUE(manager->isValidPath(L"C:/a*b"));
    // A rejected text is an answer, not an error in the log.
    for (const CRecordedLine& message : book.messages())
        EXPECT_NE(CMessage::LOG_ERROR, message.type) << std::string(message.text.begin(), message.text.end());
    EXPECT_TRUE(book.hasTrace(L"Return value: false"));
    EXPECT_TRUE(book.hasTrace(L"Return value: true"));

    EXPECT_EQ(L"C:\\b", manager->convertToOSPath(L"c:/a/../b/."));
    EXPECT_THROW(manager->getFSPath(L"a<b"), ESyForbiddenCharInPath);

    const std::vector<CSyFSPathComponentInfo> components = manager->getFSPath(L"\\\\?\\C:\\x")->getComponents();
    ASSERT_EQ(3u, components.size());
    EXPECT_EQ(L"LONG_PREFIX", components[0].typeName);
    EXPECT_EQ(L"DRIVE", components[1].typeName);
    EXPECT_EQ(L"x", components[2].text);
}
