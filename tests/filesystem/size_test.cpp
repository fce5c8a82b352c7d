#include "syslib/common/syfactory.h"
#include "syslib/filesystem/sysizeimpl.h"
#include "tests/support/expectthrow.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace
{
PSySize bytes(double value)
{
    return syslib::newSize(value);
}
} // namespace

TEST(SizeTest, UnitsConvertByWholeBytesUpToTheDoubleRange)
{
    CRecordingLogBook book;
    const PSySize size = getSyslibFactory()->getFileSystemMgt()->getSize(10.7);
    EXPECT_EQ(10.0, size->getBytes());
    EXPECT_TRUE(book.hasTrace(L"return value: Return value: ISySize* (10)"));
    size->setKBytes(1.5);
    EXPECT_EQ(1536.0, size->getBytes());
    EXPECT_EQ(1536.0 / 1048576.0, size->getMBytes());
    size->setMBytes(0.5);
    EXPECT_EQ(512.0, size->getKBytes());
    size->setKBytes(1023.0 / 1024.0 / 1024.0);
    EXPECT_EQ(0.0, size->getBytes());

    const double twoTo64 = 18446744073709551616.0;
    size->setMBytes(std::ldexp(1.0, 44));
    EXPECT_EQ(twoTo64, size->getBytes());
    EXPECT_EQ(std::ldexp(1.0, 54), size->getKBytes());

    // The largest value of each unit whose bytes are still a finite double, and the next one up.
    size->setKBytes(DBL_MAX / 1024);
    EXPECT_EQ(DBL_MAX, size->getBytes());
    EXPECT_THROW(size->setKBytes(std::nextafter(DBL_MAX / 1024, DBL_MAX)), ESyPrecondition);
    size->setMBytes(DBL_MAX / 1048576);
    EXPECT_THROW(size->setMBytes(std::nextafter(DBL_MAX / 1048576, DBL_MAX)), ESyPrecondition);
    EXPECT_THROW(size->setBytes(std::numeric_limits<double>::infinity()), ESyPrecondition);
}

TEST(SizeTest, RefusalsNameTheParameterAndKeepTheValue)
{
    CRecordingLogBook book;
    const PSySize size = bytes(42);
    expectLoggedThrow<ESyPrecondition>(book, [&] { size->setKBytes(-1); }, L"common.parameterNotValid",
                                       {L"kBytes", L"-1", L"setKBytes()"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { size->setBytes(-0.5); }, L"common.parameterNotValid",
                                       {L"bytes", L"-0.5", L"setBytes()"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { size->setMBytes(-2); }, L"common.parameterNotValid",
                                       {L"MBytes", L"-2", L"setMBytes()"});
    EXPECT_THROW(size->setBytes(std::numeric_limits<double>::quiet_NaN()), ESyPrecondition);
    EXPECT_EQ(42.0, size->getBytes());
}

TEST(SizeTest, ArithmeticMakesNewSizes)
{
    CRecordingLogBook book;
    const PSySize ten = bytes(10);
    const PSySize three = bytes(3);
    EXPECT_EQ(13.0, ten->add(three)->getBytes());
    EXPECT_EQ(7.0, ten->diff(three)->getBytes());
    EXPECT_EQ(4.0, three->mul(1.5)->getBytes());
    EXPECT_EQ(3.0, ten->div(3)->getBytes());
    EXPECT_EQ(10.0, ten->getBytes());

    expectLoggedThrow<ESyPrecondition>(book, [&] { bytes(1)->diff(bytes(2)); }, L"common.parameterNotValid",
                                       {L"bytes", L"-1", L"setBytes()"});
    EXPECT_THROW(ten->mul(-1), ESyPrecondition);
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->div(0); }, L"common.parameterNotValid",
                                       {L"dividend", L"div()"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->add(PSySize()); }, L"common.parameterEmpty",
                                       {L"pSummand", L"add()"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { ten->diff(PSySize()); }, L"common.parameterEmpty",
                                       {L"pSutrahend", L"diff()"});
    // Zero is a size: of nothing, of a difference of equal sizes, of anything times zero, and as a divisor
    // of nothing, and zero divided stays zero.
    const PSySize zero = bytes(0);
    EXPECT_EQ(0.0, zero->getBytes());
    EXPECT_EQ(0.0, zero->getKBytes());
    EXPECT_EQ(0.0, zero->getMBytes());
    EXPECT_EQ(0.0, ten->diff(ten)->getBytes());
    EXPECT_EQ(0.0, ten->mul(0)->getBytes());
    EXPECT_EQ(10.0, ten->add(zero)->getBytes());
    EXPECT_EQ(0.0, zero->div(7)->getBytes());
    zero->setKBytes(0);
    zero->setMBytes(0);
    EXPECT_EQ(0.0, zero->getBytes());
    // A sum past the largest double is refused rather than stored as infinity.
    EXPECT_THROW(bytes(DBL_MAX)->add(bytes(DBL_MAX)), ESyPrecondition);
}
