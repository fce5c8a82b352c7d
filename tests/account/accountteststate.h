// Account tests share the stand-ins' account state in the registry: each test starts from none and
// leaves none, and forgets the process's account cache.
#pragma once

#include "standins/accounts/saaccountapi.h"
#include "standins/accounts/sastore.h"
#include "syslib/account/syaccountimpl.h"

#include <gtest/gtest.h>

inline void clearStandInAccounts()
{
    CSyAccountCache::instance().clear();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, standins::accountsKey);
}

// A local user made through the table the library uses; the test fails when it cannot be made.
inline void addStandInUser(const wchar_t* name, const wchar_t* password)
{
    USER_INFO_1 info = {};
    info.usri1_name = const_cast<wchar_t*>(name);
    info.usri1_password = const_cast<wchar_t*>(password);
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_flags = UF_SCRIPT;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              syslib::accountApi().NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr));
}

inline void addStandInGroup(const wchar_t* name)
{
    LOCALGROUP_INFO_0 info = {const_cast<wchar_t*>(name)};
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              syslib::accountApi().NetLocalGroupAdd(nullptr, 0, reinterpret_cast<LPBYTE>(&info), nullptr));
}

class CStandInAccounts : public ::testing::Test
{
protected:
    // COM's first start on a thread opens handles for the life of the process; account objects start it.
    static void SetUpTestSuite()
    {
        static const HRESULT started = ::CoInitialize(nullptr);
        (void)started;
    }
    void SetUp() override { clearStandInAccounts(); }
    void TearDown() override { clearStandInAccounts(); }
};
