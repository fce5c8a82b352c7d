#include "syslib/account/sysecuritydesc.h"
#include "syslib/common/syswin.h"
#include "syslib/common/syfactory.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>
#include <winsvc.h>

#include <random>
#include <sstream>

using SyAclStrings::CSyRightsExpression;
using SySecurityImpl::CSySecurityDescConverter;

namespace
{
// The rights part of "(a, b, +TEXT)" as the parser reads it.
CSyRightsExpression rightsOf(const iastring& text)
{
    return SyAclStrings::parseAclExpression(L"(a, b, +" + text + L")").at(0).m_allowed;
}

unsigned long native(const iastring& text, SecurableObjectType type)
{
    return CSySecurityDescConverter::rightsExpessionToNative(rightsOf(text), type);
}

CSyRightsExpression filled(unsigned long mask, SecurableObjectType type)
{
    CSyRightsExpression rights;
    CSySecurityDescConverter::fillRightsExpression(mask, type, rights);
    return rights;
}

iastring typeName(SecurableObjectType type)
{
    std::wostringstream text;
    text << type;
    return text.str();
}

const SecurableObjectType allTypes[] = {COMPATIBLE_FILE, FILESYSTEM, REGISTRY_KEY, SERVICE};

struct CNamedRight
{
    const wchar_t* name;
    unsigned long value; // as the Windows headers define it
};

const std::vector<CNamedRight> commonNames = {
    {L"GENERIC_READ", GENERIC_READ},       {L"GENERIC_WRITE", GENERIC_WRITE},
    {L"GENERIC_EXECUTE", GENERIC_EXECUTE}, {L"GENERIC_ALL", GENERIC_ALL},
    {L"DELETE", DELETE},                   {L"READ_CONTROL", READ_CONTROL},
    {L"WRITE_DAC", WRITE_DAC},             {L"WRITE_OWNER", WRITE_OWNER},
    {L"SYNCHRONIZE", SYNCHRONIZE},         {L"ACCESS_SYSTEM_SECURITY", ACCESS_SYSTEM_SECURITY},
    {L"MAXIMUM_ALLOWED", MAXIMUM_ALLOWED}, {L"STANDARD_RIGHTS_READ", STANDARD_RIGHTS_READ},
    {L"STANDARD_RIGHTS_WRITE", STANDARD_RIGHTS_WRITE}};
const std::vector<CNamedRight> fileNames = {
    {L"FILE_ADD_FILE", FILE_ADD_FILE},
    {L"FILE_ADD_SUBDIRECTORY", FILE_ADD_SUBDIRECTORY},
    {L"FILE_ALL_ACCESS", FILE_ALL_ACCESS},
    {L"FILE_APPEND_DATA", FILE_APPEND_DATA},
    {L"FILE_CREATE_PIPE_INSTANCE", FILE_CREATE_PIPE_INSTANCE},
    {L"FILE_DELETE_CHILD", FILE_DELETE_CHILD},
    {L"FILE_EXECUTE", FILE_EXECUTE},
    {L"FILE_LIST_DIRECTORY", FILE_LIST_DIRECTORY},
    {L"FILE_READ_ATTRIBUTES", FILE_READ_ATTRIBUTES},
    {L"FILE_READ_DATA", FILE_READ_DATA},
    {L"FILE_READ_EA", FILE_READ_EA},
    {L"FILE_TRAVERSE", FILE_TRAVERSE},
    {L"FILE_WRITE_ATTRIBUTES", FILE_WRITE_ATTRIBUTES},
    {L"FILE_WRITE_DATA", FILE_WRITE_DATA},
    {L"FILE_WRITE_EA", FILE_WRITE_EA}};
const std::vector<CNamedRight> registryNames = {
    {L"KEY_ALL_ACCESS", KEY_ALL_ACCESS},         {L"KEY_CREATE_LINK", KEY_CREATE_LINK},
    {L"KEY_CREATE_SUB_KEY", KEY_CREATE_SUB_KEY}, {L"KEY_ENUMERATE_SUB_KEYS", KEY_ENUMERATE_SUB_KEYS},
    {L"KEY_EXECUTE", KEY_EXECUTE},               {L"KEY_NOTIFY", KEY_NOTIFY},
    {L"KEY_QUERY_VALUE", KEY_QUERY_VALUE},       {L"KEY_READ", KEY_READ},
    {L"KEY_SET_VALUE", KEY_SET_VALUE},           {L"KEY_WOW64_64KEY", KEY_WOW64_64KEY},
    {L"KEY_WOW64_32KEY", KEY_WOW64_32KEY},       {L"KEY_WRITE", KEY_WRITE}};
const std::vector<CNamedRight> serviceNames = {
    {L"SERVICE_ALL_ACCESS", SERVICE_ALL_ACCESS},
    {L"SERVICE_CHANGE_CONFIG", SERVICE_CHANGE_CONFIG},
    {L"SERVICE_ENUMERATE_DEPENDENTS", SERVICE_ENUMERATE_DEPENDENTS},
    {L"SERVICE_INTERROGATE", SERVICE_INTERROGATE},
    {L"SERVICE_PAUSE_CONTINUE", SERVICE_PAUSE_CONTINUE},
    {L"SERVICE_QUERY_CONFIG", SERVICE_QUERY_CONFIG},
    {L"SERVICE_QUERY_STATUS", SERVICE_QUERY_STATUS},
    {L"SERVICE_START", SERVICE_START},
    {L"SERVICE_STOP", SERVICE_STOP},
    {L"SERVICE_USER_DEFINED_CONTROL", SERVICE_USER_DEFINED_CONTROL}};
} // namespace

TEST(AclMaskTest, LettersOfEveryObjectType)
{
    const struct
    {
        SecurableObjectType type;
        unsigned long r, w, x, rw, full;
    } tables[] = {
        {COMPATIBLE_FILE, FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
         FILE_GENERIC_READ | FILE_GENERIC_WRITE, FILE_ALL_ACCESS},
        {FILESYSTEM, FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_GENERIC_READ | FILE_GENERIC_WRITE,
         FILE_ALL_ACCESS},
        // Read and execute are one mask for keys, so read and write already count as full.
        {REGISTRY_KEY, KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS, KEY_ALL_ACCESS},
        // The generic rights of a service, as the service control manager documents them.
        {SERVICE, STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
                      SERVICE_ENUMERATE_DEPENDENTS,
         STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG,
         STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL,
         0x2008F, SERVICE_ALL_ACCESS}};
    CRecordingLogBook book;
    for (const auto& t : tables)
    {
        EXPECT_EQ(t.r, native(L"r", t.type)) << t.type;
        EXPECT_EQ(t.w, native(L"w", t.type)) << t.type;
        EXPECT_EQ(t.x, native(L"x", t.type)) << t.type;
        EXPECT_EQ(t.rw, native(L"rw", t.type)) << t.type;
        EXPECT_EQ(t.full, native(L"rwx", t.type)) << t.type;
        EXPECT_EQ(t.full, native(L"x o w s r", t.type)) << t.type;
        EXPECT_EQ(0u, native(L"ostgz", t.type)) << t.type;
        EXPECT_EQ(0u, native(L"", t.type)) << t.type;
    }
    EXPECT_TRUE(book.messages().empty());
}

TEST(AclMaskTest, FullAccessComesFromLettersOnly)
{
    EXPECT_EQ(0x1201BFu, native(L" | 0x1201BF", FILESYSTEM));
    EXPECT_EQ(0x1201BFu, native(L"rx | 0x120116", FILESYSTEM));
}

TEST(AclMaskTest, UnknownLettersAreLoggedAndAddNothing)
{
    CRecordingLogBook book;
    CSyRightsExpression rights;
    rights.appendLetters(L"rq");
    EXPECT_EQ(0x120089u, CSySecurityDescConverter::rightsExpessionToNative(rights, FILESYSTEM));
    const CRecordedLine warning = book.onlyMessage(L"syslib.account.aclUnknowenStandardRight");
    EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
    EXPECT_EQ((CLogArguments{L"q", L"FILESYSTEM"}), warning.arguments);
    EXPECT_EQ(L"syxxc_security_desc", warning.sourceFile);
}

TEST(AclMaskTest, EachTypeKnowsExactlyItsNamesWithTheValuesWindowsDefines)
{
    const struct
    {
        SecurableObjectType type;
        std::vector<CNamedRight> own;
    } types[] = {{FILESYSTEM, fileNames}, {REGISTRY_KEY, registryNames}, {SERVICE, serviceNames}};
    for (const auto& t : types)
    {
        for (const CNamedRight& right : commonNames)
        {
            CRecordingLogBook book;
            EXPECT_EQ(right.value, native(L" | " + iastring(right.name), t.type)) << right.name;
            EXPECT_TRUE(book.messages().empty()) << right.name << L" for " << t.type;
        }
        for (const auto& other : types)
            for (const CNamedRight& right : other.own)
            {
                CRecordingLogBook book;
                const unsigned long mask = native(L" | " + iastring(right.name), t.type);
                if (other.type == t.type)
                {
                    EXPECT_EQ(right.value, mask) << right.name;
                    EXPECT_TRUE(book.messages().empty()) << right.name;
                }
                else
                {
                    EXPECT_EQ(0u, mask) << right.name << L" for " << t.type;
                    EXPECT_EQ((CLogArguments{right.name, typeName(t.type)}),
                              book.onlyMessage(L"syslib.account.aclUnknowenSpecialRight").arguments);
                }
            }
    }
    CRecordingLogBook book;
    EXPECT_EQ(0u, native(L" | DELETE", COMPATIBLE_FILE));
    EXPECT_EQ(1u, book.messages(L"syslib.account.aclUnknowenSpecialRight").size());
    EXPECT_EQ(static_cast<unsigned long>(GENERIC_READ | GENERIC_ALL | SERVICE_USER_DEFINED_CONTROL),
              native(L" | GENERIC_READ | GENERIC_ALL | SERVICE_USER_DEFINED_CONTROL", SERVICE));
}

TEST(AclMaskTest, HexadecimalSpecialRightsForEveryType)
{
    for (SecurableObjectType type : allTypes)
    {
        CRecordingLogBook book;
        EXPECT_EQ(0x40u, native(L" | 0x40", type));
        EXPECT_EQ(0x40u, native(L" | 40", type));
        EXPECT_EQ(0xFFu, native(L" | 0X00000000FF", type));
        EXPECT_EQ(0xFFFFFFFFu, native(L" | ffffffff", type));
        EXPECT_TRUE(book.messages().empty());
        EXPECT_EQ(0u, native(L" | 100000000 | 0x | 0xG1 | -1", type));
        EXPECT_EQ(4u, book.messages(L"syslib.account.aclUnknowenSpecialRight").size());
    }
}

TEST(AclMaskTest, InheritanceFlags)
{
    CRecordingLogBook book;
    EXPECT_EQ(0x1Fu, CSySecurityDescConverter::inheritanceFlagsToNative(
                         {L"CONTAINER_INHERIT_ACE", L"INHERIT_ONLY_ACE", L"INHERITED_ACE",
                          L"NO_PROPAGATE_INHERIT_ACE", L"OBJECT_INHERIT_ACE"}));
    EXPECT_EQ(0x8u, CSySecurityDescConverter::inheritanceFlagsToNative({L"INHERIT_ONLY_ACE"}));
    EXPECT_TRUE(book.messages().empty());
    EXPECT_EQ(0x4u, CSySecurityDescConverter::inheritanceFlagsToNative({L"INHERIT_ALL", L"NO_PROPAGATE_INHERIT_ACE"}));
    EXPECT_EQ(CLogArguments{L"INHERIT_ALL"},
              book.onlyMessage(L"syslib.account.aclUnknowenInheritanceFlag").arguments);
}

TEST(AclMaskTest, AMaskWithTheLettersButNotFullAccessReadsBackAsItIs)
{
    // Modify holds the r, w and x bits but neither WRITE_DAC nor WRITE_OWNER: "rwx" would read back as full.
    const unsigned long modify = 0x1301BF;
    const CSyRightsExpression rights = CSySecurityDescConverter::maskToRights(modify, FILESYSTEM);
    EXPECT_EQ(L"rw", rights.getLetters()) << rights.toString();
    EXPECT_EQ(modify, CSySecurityDescConverter::rightsExpessionToNative(rights, FILESYSTEM)) << rights.toString();
    EXPECT_EQ(L"rwx", CSySecurityDescConverter::maskToRights(FILE_ALL_ACCESS, FILESYSTEM).toString());
}

TEST(AclMaskTest, CompatibleFileMasksBecomeLettersAndReportWhatIsLost)
{
    CRecordingLogBook book;
    EXPECT_EQ(L"r", filled(0x120089, COMPATIBLE_FILE).toString());
    EXPECT_EQ(L"rx", filled(0x1200A9, COMPATIBLE_FILE).toString());
    EXPECT_TRUE(book.logs().empty());

    EXPECT_EQ(L"rwx", filled(0x1F01FF, COMPATIBLE_FILE).toString());
    EXPECT_EQ(L"", filled(0x120000, COMPATIBLE_FILE).toString());
    const std::vector<iastring> expected = {
        L"Could not map the following permissions to string: 0xD0040. A conversion of the string to native "
        L"permissions will result in a loss of rights.",
        L"Could not map the following permissions to string: 0x120000. A conversion of the string to native "
        L"permissions will result in a loss of rights."};
    EXPECT_EQ(expected, book.logs());
}

TEST(AclMaskTest, OtherMasksBecomeNamesInTableOrderWithoutLoss)
{
    const CSyRightsExpression rights = filled(0x00200001, FILESYSTEM);
    EXPECT_EQ(L"", rights.getLetters());
    EXPECT_EQ((std::vector<iastring>{L"FILE_LIST_DIRECTORY", L"FILE_READ_DATA", L"0x200000"}),
              rights.getSpecialRights());
    EXPECT_TRUE(filled(0, SERVICE).isEmpty());
    EXPECT_EQ(std::vector<iastring>{L"KEY_WOW64_32KEY"}, filled(0x200, REGISTRY_KEY).getSpecialRights());

    // Every mask comes back through the text form, also with bits that no name covers.
    std::mt19937 random(8);
    for (SecurableObjectType type : {FILESYSTEM, REGISTRY_KEY, SERVICE})
        for (int i = 0; i < 400; ++i)
        {
            const unsigned long mask = (random() & random()) | (i % 7 == 0 ? 0x1F01FF : 0);
            const CSyRightsExpression text = filled(mask, type);
            ASSERT_EQ(mask, CSySecurityDescConverter::rightsExpessionToNative(text, type)) << std::hex << mask;
            ASSERT_EQ(mask, native(text.toString(), type)) << text.toString();
        }
}

TEST(AclMaskTest, AnUnknownObjectTypeIsRefused)
{
    CRecordingLogBook book;
    EXPECT_THROW(native(L"r", static_cast<SecurableObjectType>(4)), ESyPrecondition);
    EXPECT_EQ(L"objectType", book.onlyMessage(L"common.parameterNotValid").arguments.at(0));
    EXPECT_EQ(L"unknown (4)", typeName(static_cast<SecurableObjectType>(4)));
}

TEST(AclExpressionTest, TheAccountManagerHandsOutEntriesWithTheirMasks)
{
    const IaPtr<ISyAccountMgt> manager = getSyslibFactory()->getAccountMgt();
    const PSyACLExpression expression = manager->parseACLExpression(
        L"(Users, GROUP, =rwx ! | 0x10000, CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE)(guest,USER,-r)", FILESYSTEM);
    ASSERT_EQ(2u, expression->getEntryCount());
    EXPECT_EQ(L"(Users, GROUP, =rwx! | 0X10000, CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE)",
              expression->getEntryText(0));
    EXPECT_EQ(0x1F01FFu, expression->getAllowedMask(0));
    EXPECT_EQ(0x10000u, expression->getDeniedMask(0));
    EXPECT_EQ(3u, expression->getInheritanceFlags(0));
    EXPECT_EQ(L"(guest, USER, -r)", expression->getEntryText(1));
    EXPECT_EQ(0x20019u, manager->parseACLExpression(L"(guest,USER,-r)", REGISTRY_KEY)->getAllowedMask(0));

    CRecordingLogBook book;
    EXPECT_THROW(expression->getDeniedMask(2), ESyPrecondition);
    EXPECT_EQ(L"index", book.onlyMessage(L"common.parameterNotValid").arguments.at(0));
    EXPECT_THROW(manager->parseACLExpression(L"(guest USER -r)", SERVICE),
                 SyAclStrings::CSySecurityParser::EMissingComma);
    bool traced = false;
    for (const CRecordedLine& line : book.lines())
        traced = traced || (line.sourceFile == L"syxxcaclexpr" &&
                            line.functionName.find(L"CSyAccountMgtImpl::parseACLExpression(") != iastring::npos);
    EXPECT_TRUE(traced);
}
