// Account tests share the stand-ins' account state in the registry: each test starts from none and
// leaves none, and forgets the process's account cache.
#pragma once

#include "standins/common/saregistry.h"
#include "standins/accounts/saaccountapi.h"
#include "standins/accounts/sastore.h"
#include "syslib/account/syaccountimpl.h"

#include <gtest/gtest.h>

inline void clearStandInAccounts()
{
    CSyAccountCache::instance().clear();
    standins::deleteMachineKey(standins::accountsKey);
}

// What a long account operation tells its observer.
struct CRecordingObserver : ISyProgressObserver
{
    std::vector<iastring> headings;
    std::vector<std::pair<iastring, int>> steps;
    void progress(const iastring& text, int number) override { steps.emplace_back(text, number); }
    void heading(const iastring& text) override { headings.push_back(text); }
};

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

// A domain this computer is a member of, as the stand-ins play it: new accounts of it stay unknown to
// logons and name lookups for their first replicationDelay questions.
inline void playStandInDomain(const wchar_t* name, const wchar_t* controller, const wchar_t* sid,
                              DWORD replicationDelay = 0)
{
    syslib::CSyRegKey domain =
        standins::openMachineKey(std::wstring(standins::accountsKey) + L"\\Domains\\" + name, true);
    ASSERT_TRUE(domain.isValid());
    for (const auto& value : {std::make_pair(L"Controller", controller), std::make_pair(L"Sid", sid)})
        ::RegSetValueExW(domain.get(), value.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second),
                         static_cast<DWORD>((wcslen(value.second) + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(domain.get(), L"ReplicationDelay", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&replicationDelay),
                     sizeof(replicationDelay));
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
