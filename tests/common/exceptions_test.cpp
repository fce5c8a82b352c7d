#include "syslib/common/syexcept.h"
#include "syslib/account/syaclparser.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace
{
template <class T>
iastring written(T value)
{
    std::wostringstream stream;
    stream << value;
    return stream.str();
}

iastring wideStrerror(int number)
{
    const std::string text = std::strerror(number);
    return iastring(text.begin(), text.end());
}
} // namespace

TEST(ExceptionTest, DefaultsOfTheRoots)
{
    const ESyException plain;
    EXPECT_EQ(L"EVantixException: error text undefined", plain.getText());
    EXPECT_EQ(ESyException::NONE, plain.getErrorType());
    EXPECT_EQ(0, plain.getCode());

    const ESyException withText(L"boom");
    EXPECT_EQ(L"boom", withText.getText());
    EXPECT_EQ(ESyException::NONE, withText.getErrorType());

    const ESyException numbered(ESyException::WIN32_ERROR, 5);
    EXPECT_EQ(L"EVantixException: error text undefined", numbered.getText());
    EXPECT_EQ(5, numbered.getCode());
}

TEST(ExceptionTest, FixedCodesOfTheTree)
{
    const ESyPrecondition notSupported(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
    EXPECT_EQ(ESyException::SPECIFIC_CODE, notSupported.getErrorType());
    EXPECT_EQ(101, notSupported.getCode());
    EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, ESyPrecondition().getCode());

    EXPECT_EQ(ESyException::SPECIFIC_CODE, ESyTimer().getErrorType());
    EXPECT_EQ(ESyException::SPECIFIC_CODE, ESySystem().getErrorType());
    EXPECT_EQ(ESyException::C_ERRNO, ESyNetworkResolveError(11001).getErrorType());
    EXPECT_EQ(11001, ESyNetworkResolveError(11001).getCode());
    EXPECT_EQ(ESyException::SPECIFIC_CODE, ESyNetworkSystemError().getErrorType());

    const ESyAccountNotExists missing(L"bob", L"S-1-5-21-1");
    EXPECT_EQ(L"bob", missing.getText1());
    EXPECT_EQ(L"S-1-5-21-1", missing.getText2());
    EXPECT_EQ(ESyAccount::NOT_EXISTS, missing.getCode());
    EXPECT_EQ(ESyAccount::DELETION_FAILED, ESyAccountDeletionFailed(L"a", L"").getCode());
    EXPECT_EQ(ESyAccount::SYSTEM_CALL_FAILED, ESyAccountSystemCallFailed(L"a", L"").getCode());

    const ESyTypeConversion conversion(L"12x");
    EXPECT_EQ(L"Type conversion failed for 12x", conversion.getText());
}

TEST(ExceptionTest, PathExceptionsKeepWhatWasWrong)
{
    const ESyPath bad(L"C:\\a\\..\\..");
    EXPECT_EQ(L"Bad path: C:\\a\\..\\..", bad.getText());
    EXPECT_EQ(L"C:\\a\\..\\..", bad.getBadPath());
    EXPECT_EQ(L"C:\\a\\..\\..", bad.getPath());

    const ESyForbiddenCharInPath forbidden(L"a<b", L'<');
    EXPECT_EQ(L"Bad path component: a<b", forbidden.getText());
    EXPECT_EQ(L'<', forbidden.getForbiddenChar());
    EXPECT_EQ(L"a<b", forbidden.getComponent());

    // Callers catch the family by its base.
    try
    {
        throw ESyCannotAppendPrefix(L"x");
    }
    catch (const ESyFileSystem& caught)
    {
        EXPECT_EQ(L"Bad path: x", caught.getText());
    }
}

TEST(ExceptionTest, SysCallFailedTakesErrnoOnlyWhenAsked)
{
    errno = 22;
    const ESyPutenvError withErrno(true);
    EXPECT_EQ(ESyException::C_ERRNO, withErrno.getErrorType());
    EXPECT_EQ(22, withErrno.getCode());
    EXPECT_EQ(L"ESyPutenvError " + wideStrerror(22), withErrno.getText());

    errno = 22;
    const ESyPutenvError withoutErrno(false);
    EXPECT_EQ(ESyException::SPECIFIC_CODE, withoutErrno.getErrorType());
    EXPECT_EQ(0, withoutErrno.getCode());
    EXPECT_EQ(L"ESyPutenvError", withoutErrno.getText());
}

TEST(ExceptionTest, ProcessExceptionReturnsItsOwnText)
{
    const ESyProcess process(L"child died", ESyException::WIN32_ERROR, 6);
    const EVantixException& asRoot = process;
    EXPECT_EQ(L"child died", asRoot.getText());
    EXPECT_EQ(6, process.getCode());
}

TEST(ExceptionTest, SyntaxErrorsBelongToTheDescriptorFamily)
{
    try
    {
        throw SyAclStrings::CSySecurityParser::EMissingComma(3, L"r w");
    }
    catch (const ESySecurityDescError& caught)
    {
        EXPECT_EQ(L"Security syntax error in ACL expression near r w", caught.getText());
    }
    EXPECT_STREQ("Unmatched double quote", EUnmatchedDoubleQuote().what());
}

TEST(ExceptionTest, EnumerationsWriteTheirNamesOrUnknown)
{
    EXPECT_EQ(L"SPECIFIC_CODE", written(static_cast<ESyException::eErrorType>(4)));
    EXPECT_EQ(L"NONE", written(ESyException::NONE));
    EXPECT_EQ(L"unknown (9)", written(static_cast<ESyException::eErrorType>(9)));
    EXPECT_EQ(L"unknown (-1)", written(static_cast<ESyException::eErrorType>(-1)));

    EXPECT_EQ(L"SYSTEM_CALL_FAILED", written(static_cast<ESyAccount::eSpecificCode>(0)));
    EXPECT_EQ(L"EXISTS", written(static_cast<ESyAccount::eSpecificCode>(209)));
    EXPECT_EQ(L"unknown (212)", written(static_cast<ESyAccount::eSpecificCode>(212)));

    EXPECT_EQ(L"FUNCTION_NOT_SUPPORTED", written(ESyPrecondition::FUNCTION_NOT_SUPPORTED));
    EXPECT_EQ(L"unknown (1)", written(static_cast<ESyPrecondition::eSpecificCode>(1)));
    EXPECT_EQ(L"PRECONDITION_DOES_NOT_HOLD", written(ESyPreconditionGeneral::PRECONDITION_DOES_NOT_HOLD));
    EXPECT_EQ(L"NETLIB_ERROR", written(ESyNetwork::NETLIB_ERROR));
    EXPECT_EQ(L"unknown (300)", written(static_cast<ESyNetwork::eSpecificCode>(300)));
    EXPECT_EQ(L"UNSPECIFIED_PROCESS_EX", written(ESyProcess::UNSPECIFIED_PROCESS_EX));
    EXPECT_EQ(L"SYSTEM_CALL_FAILED", written(ESyTimer::SYSTEM_CALL_FAILED));
    EXPECT_EQ(L"unknown (7)", written(static_cast<ESySystem::eSpecificCode>(7)));
}
