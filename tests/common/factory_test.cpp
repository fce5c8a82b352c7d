#include "framework/iacontaineriter.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "tests/support/recordinglogbook.h"

#include <gtest/gtest.h>

namespace
{
// A minimal interface/handle/implementation triple, to see the object model's counting at work.
class ISyProbe : public ISyGeneric
{
public:
    virtual int value() = 0;
};

class CSyProbeImpl : public CSyGenericImpl
{
public:
    explicit CSyProbeImpl(int* destroyed) : m_destroyed(destroyed) {}
    ~CSyProbeImpl() override { ++*m_destroyed; }
    int value() { return 7; }

private:
    int* m_destroyed;
};

class CSyProbe : public CSyHandle<ISyProbe, CSyProbeImpl>
{
public:
    explicit CSyProbe(int* destroyed) : CSyHandle(destroyed) {}
    int value() override { return m_impl.value(); }
};
} // namespace

TEST(FactoryTest, ExportedEntriesReturnTheOneFactory)
{
    EXPECT_EQ(getSyslibFactory(), getSyslibFactory());
    EXPECT_EQ(static_cast<ISyslibFactory*>(getPrivilegedSyslibFactory()), getSyslibFactory());
    EXPECT_EQ(getPrivilegedSyslibFactory(), CSyslibFactory::getPrivilegedInstance());
}

TEST(FactoryTest, CompatibilityLevelAndFixedInitAnswers)
{
    IPrivilegedSyslibFactory* factory = getPrivilegedSyslibFactory();
    EXPECT_FALSE(factory->hasInitErrorOS4());
    EXPECT_FALSE(factory->isInitCanceledOS4());
    EXPECT_TRUE(factory->getErrorTextOS4().empty());

    const int before = factory->getCompatibility();
    EXPECT_EQ(999, before);
    factory->setCompatibility(641);
    EXPECT_EQ(641, factory->getCompatibility());
    factory->startLoggingOS4();
    EXPECT_FALSE(factory->hasInitErrorOS4());
    factory->setCompatibility(before);
}

TEST(FactoryTest, ManagersAreSingletonsThatCountingNeverDestroys)
{
    ISyslibFactory* factory = getSyslibFactory();
    ISyProcessMgt* first = nullptr;
    {
        IaPtr<ISyProcessMgt> a = factory->getProcessMgt();
        IaPtr<ISyProcessMgt> b = factory->getProcessMgt();
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(0, a->getRefCount());
        first = a.get();
    }
    IaPtr<ISyProcessMgt> again = factory->getProcessMgt();
    EXPECT_EQ(first, again.get());
    EXPECT_EQ(0, again->getRefCount());

    EXPECT_EQ(factory->getTimerMgt().get(), factory->getTimerMgt().get());
    EXPECT_EQ(factory->getAccountMgt().get(), factory->getAccountMgt().get());
    EXPECT_EQ(factory->getFileSystemMgt().get(), factory->getFileSystemMgt().get());

    IPrivilegedSyslibFactory* privileged = getPrivilegedSyslibFactory();
    EXPECT_EQ(static_cast<ISyNetworkMgt*>(privileged->getPrivilegedNetworkMgt()), privileged->getNetworkMgt());
    EXPECT_EQ(static_cast<ISySystemMgt*>(privileged->getPrivilegedSystemMgt()), privileged->getSystemMgt());
}

TEST(FactoryTest, SetLogBookOnAnyObjectSwapsTheLibraryWideOne)
{
    CRecordingLogBook first;
    CRecordingLogBook second;
    IaPtr<ISyTimerMgt> timers = getSyslibFactory()->getTimerMgt();
    EXPECT_EQ(&second, timers->setLogBook(&first));
    EXPECT_EQ(&first, syslib::getLogBook());
    EXPECT_EQ(&first, getSyslibFactory()->getProcessMgt()->setLogBook(&second));
    EXPECT_EQ(&second, syslib::getLogBook());
}

TEST(FactoryTest, WriteSupportInfoMakesTheLogBookCurrentAndDumps)
{
    ILogBook* const before = syslib::getLogBook();
    {
        CRecordingLogBook book;
        syslib::setLogBook(nullptr);
        getPrivilegedSyslibFactory()->writeSupportInfo(&book);
        EXPECT_EQ(&book, syslib::getLogBook());
        EXPECT_TRUE(book.hasTrace(L"begin of function"));
        EXPECT_FALSE(book.logs().empty());
        syslib::setLogBook(&book); // the recording book restores what it found when it goes
    }
    syslib::setLogBook(before);
}

TEST(HandleTest, OnlyTheLastOwnersReleaseDestroys)
{
    int destroyed = 0;
    CSyProbe* raw = new CSyProbe(&destroyed);
    // Count 0: no owner has it yet, so a release must not destroy it (a second release would free it twice).
    EXPECT_EQ(-1, raw->release());
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(0, raw->addRef());
    EXPECT_EQ(1, raw->addRef());
    EXPECT_EQ(0, raw->release());
    EXPECT_EQ(1, destroyed);
}

TEST(HandleTest, ACopiedContainerIteratorCountsLikeAHandle)
{
    std::vector<int> items{1, 2};
    IIaPIterGeneric<int>* raw = new CIaContainerIter<int>(items);
    EXPECT_EQ(-1, raw->release());
    EXPECT_EQ(0, raw->addRef());
    EXPECT_EQ(1, raw->addRef());
    EXPECT_EQ(2, raw->addRef());
    EXPECT_EQ(1, raw->release());
    items.clear(); // the iterator holds its own copy
    EXPECT_EQ(1, raw->get());
    EXPECT_EQ(0, raw->release());
}

TEST(HandleTest, CountsAndDestroysWithTheLastReference)
{
    int destroyed = 0;
    CSyProbe* raw = new CSyProbe(&destroyed);
    EXPECT_EQ(0, raw->getRefCount());
    {
        IaPtr<ISyProbe> first(raw);
        EXPECT_EQ(1, first->getRefCount());
        {
            IaPtr<ISyProbe> copy = first;
            EXPECT_EQ(2, first->getRefCount());
            IaPtr<ISyProbe> assigned;
            assigned = copy;
            EXPECT_EQ(3, first->getRefCount());
            assigned = assigned; // self-assignment must not drop the object
            EXPECT_EQ(3, first->getRefCount());
            EXPECT_EQ(7, assigned->value());
        }
        EXPECT_EQ(1, first->getRefCount());
        EXPECT_EQ(0, destroyed);
    }
    EXPECT_EQ(1, destroyed);
}
