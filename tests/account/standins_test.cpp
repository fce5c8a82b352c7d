// The account stand-ins behave as the system's functions do: the codes documented in standins/README.md,
// SIDs in this computer's domain, passwords kept only as salted hashes.
#include "standins/common/saregistry.h"
#include "accountteststate.h"

#include <adserr.h>
#include <sddl.h>

namespace
{
const syslib::SyAccountApi& api()
{
    return syslib::accountApi();
}

iastring sidOf(const wchar_t* name, SID_NAME_USE* useOut = nullptr)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidLength = sizeof(sid);
    wchar_t domain[256];
    DWORD domainLength = 256;
    SID_NAME_USE use = SidTypeInvalid;
    if (!api().LookupAccountNameW(nullptr, name, sid, &sidLength, domain, &domainLength, &use))
        return L"error " + std::to_wstring(::GetLastError());
    if (useOut)
        *useOut = use;
    return standins::sidText(sid);
}

HRESULT bindPath(const iastring& path, REFIID riid, void** object)
{
    return api().ADsGetObject(path.c_str(), riid, object);
}
} // namespace

typedef CStandInAccounts StandInAccounts;

TEST_F(StandInAccounts, UsersAndGroupsGetThisComputersDomainSidPlusARidAndAreFoundInAnyCase)
{
    addStandInUser(L"alice", L"pw-1");
    addStandInGroup(L"Builders");
    std::vector<BYTE> domain;
    ASSERT_TRUE(standins::computerDomainSid(domain));
    const iastring prefix = standins::sidText(domain.data()) + L"-";
    SID_NAME_USE use = SidTypeInvalid;
    EXPECT_EQ(prefix + L"1001", sidOf(L"ALICE", &use));
    EXPECT_EQ(SidTypeUser, use);
    EXPECT_EQ(prefix + L"1002", sidOf((standins::computerName() + L"\\builders").c_str(), &use));
    EXPECT_EQ(SidTypeAlias, use);
    EXPECT_EQ(L"error 1332", sidOf(L"nobody"));

    syslib::CSyLocalMem<PSID> sid;
    ASSERT_TRUE(::ConvertStringSidToSidW((prefix + L"1001").c_str(), sid.receive()));
    wchar_t name[64];
    DWORD nameLength = 64;
    wchar_t domainName[64];
    DWORD domainLength = 64;
    ASSERT_TRUE(api().LookupAccountSidW(nullptr, sid.get(), name, &nameLength, domainName, &domainLength, &use));
    EXPECT_EQ(L"alice", iastring(name));
    EXPECT_EQ(standins::computerName(), iastring(domainName));

    // A short buffer is answered with the sizes needed, as Windows does.
    DWORD sidLength = 0;
    domainLength = 0;
    EXPECT_FALSE(api().LookupAccountNameW(nullptr, L"alice", nullptr, &sidLength, nullptr, &domainLength, &use));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_EQ(::GetLengthSid(sid.get()), sidLength);
    EXPECT_EQ(standins::computerName().size() + 1, domainLength);
}

TEST_F(StandInAccounts, NamesTakenOrRefusedGiveTheDocumentedCodes)
{
    addStandInUser(L"alice", L"pw");
    addStandInGroup(L"Builders");
    USER_INFO_1 user = {};
    user.usri1_priv = USER_PRIV_USER;
    user.usri1_password = const_cast<wchar_t*>(L"pw");
    const auto addUser = [&](const wchar_t* name) {
        user.usri1_name = const_cast<wchar_t*>(name);
        return api().NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&user), nullptr);
    };
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_UserExists), addUser(L"ALICE"));
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_GroupExists), addUser(L"builders"));
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_GroupExists), addUser(L"Administrators"));
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_BadUsername), addUser(L"a/b"));
    LOCALGROUP_INFO_0 group = {const_cast<wchar_t*>(L"alice")};
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_UserExists),
              api().NetLocalGroupAdd(nullptr, 0, reinterpret_cast<LPBYTE>(&group), nullptr));
    group.lgrpi0_name = const_cast<wchar_t*>(L"BUILDERS");
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_ALIAS_EXISTS),
              api().NetLocalGroupAdd(nullptr, 0, reinterpret_cast<LPBYTE>(&group), nullptr));
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_UserNotFound), api().NetUserDel(nullptr, L"nobody"));
    EXPECT_EQ(static_cast<NET_API_STATUS>(ERROR_BAD_NETPATH), api().NetUserDel(L"\\\\ELSEWHERE", L"alice"));
}

// Accounts are machine-wide on Windows: what a 32-bit program makes, a 64-bit one finds, and back. The state
// lives in the 64-bit view of the registry, which both reach; never in the 32-bit one (Wow6432Node).
TEST_F(StandInAccounts, TheStateIsTheMachinesWhicheverWidthTheProgramHas)
{
    addStandInUser(L"alice", L"Secr3t!pw");
    const iastring user = iastring(standins::accountsKey) + L"\\Users\\alice";
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    {
        syslib::CSyRegKey key;
        const LSTATUS opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, user.c_str(), 0, KEY_READ | view, key.receive());
        EXPECT_EQ(view == KEY_WOW64_64KEY ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND, opened) << std::hex << view;
    }
}

TEST_F(StandInAccounts, PasswordsAreCheckedAtLogonAndStoredOnlyAsSaltedHashes)
{
    addStandInUser(L"alice", L"Secr3t!pw");
    addStandInUser(L"bob", L"Secr3t!pw");
    HANDLE token = nullptr;
    ASSERT_TRUE(api().LogonUserW(L"alice", L".", L"Secr3t!pw", LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT,
                                 &token));
    syslib::CSyKernelHandle owned(token);
    EXPECT_FALSE(api().LogonUserW(L"alice", L".", L"secr3t!pw", LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT,
                                  &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOGON_FAILURE), ::GetLastError());
    EXPECT_FALSE(api().LogonUserW(L"nobody", L".", L"x", LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOGON_FAILURE), ::GetLastError());

    // Nothing under the stand-ins' key holds the password, and equal passwords hash differently.
    std::vector<std::vector<BYTE>> hashes;
    for (const wchar_t* name : {L"alice", L"bob"})
    {
        syslib::CSyRegKey key = standins::openMachineKey(iastring(standins::accountsKey) + L"\\Users\\" + name, false);
        ASSERT_TRUE(key.isValid());
        wchar_t valueName[64];
        BYTE data[256];
        for (DWORD i = 0;; ++i)
        {
            DWORD nameLength = 64;
            DWORD size = sizeof(data);
            if (::RegEnumValueW(key.get(), i, valueName, &nameLength, nullptr, nullptr, data, &size) != ERROR_SUCCESS)
                break;
            const std::string bytes(reinterpret_cast<char*>(data), size);
            EXPECT_EQ(std::string::npos, bytes.find(std::string(reinterpret_cast<const char*>(L"Secr3t"), 12)))
                << "value " << std::string(valueName, valueName + nameLength);
            if (iastring(valueName) == L"Hash")
                hashes.emplace_back(data, data + size);
        }
    }
    ASSERT_EQ(2u, hashes.size());
    EXPECT_NE(hashes[0], hashes[1]);

    // The policy refuses a short password at creation and at a change.
    syslib::CSyRegKey root = standins::openMachineKey(standins::accountsKey, true);
    const DWORD minimum = 8;
    ::RegSetValueExW(root.get(), L"MinPasswordLength", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minimum),
                     sizeof(minimum));
    USER_INFO_1 user = {};
    user.usri1_name = const_cast<wchar_t*>(L"carol");
    user.usri1_password = const_cast<wchar_t*>(L"short");
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_PasswordTooShort),
              api().NetUserAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&user), nullptr));
    syslib::CSyComPtr<IADsUser> alice;
    ASSERT_EQ(S_OK, bindPath(L"WinNT://" + standins::computerName() + L"/alice,user", IID_IADsUser, alice.receiveVoid()));
    syslib::CSyBstr shortPassword(::SysAllocString(L"short"));
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_PasswordTooShort), alice->SetPassword(shortPassword.get()));
}

TEST_F(StandInAccounts, TheProviderBindsCreatesAndChangesMembershipWithWindowsHresults)
{
    addStandInUser(L"alice", L"pw");
    const iastring computer = L"WinNT://" + standins::computerName();
    IADs* raw = nullptr;
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_UserNotFound), bindPath(computer + L"/nobody,user", IID_IADs, (void**)&raw));
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_GroupNotFound), bindPath(computer + L"/alice,group", IID_IADs, (void**)&raw));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), bindPath(L"WinNT://ELSEWHERE/alice", IID_IADs, (void**)&raw));
    EXPECT_EQ(E_ADS_BAD_PATHNAME, bindPath(L"alice", IID_IADs, (void**)&raw));
    EXPECT_EQ(E_NOINTERFACE, bindPath(computer + L"/alice", IID_IADsGroup, (void**)&raw));
    EXPECT_EQ(nullptr, raw);

    syslib::CSyComPtr<IADsContainer> container;
    ASSERT_EQ(S_OK, bindPath(computer, IID_IADsContainer, container.receiveVoid()));
    syslib::CSyBstr groupClass(::SysAllocString(L"group"));
    syslib::CSyBstr name(::SysAllocString(L"Builders"));
    syslib::CSyComPtr<IDispatch> created;
    ASSERT_EQ(S_OK, container->Create(groupClass.get(), name.get(), created.receive()));
    syslib::CSyComPtr<IADsGroup> group;
    ASSERT_EQ(S_OK, created->QueryInterface(IID_IADsGroup, group.receiveVoid()));
    syslib::CSyBstr member(::SysAllocString((computer + L"/alice").c_str()));
    EXPECT_EQ(E_ADS_OBJECT_UNBOUND, group->Add(member.get()));
    ASSERT_EQ(S_OK, group->SetInfo());
    syslib::CSyComPtr<IDispatch> again;
    syslib::CSyComPtr<IADs> duplicate;
    ASSERT_EQ(S_OK, container->Create(groupClass.get(), name.get(), again.receive()));
    ASSERT_EQ(S_OK, again->QueryInterface(IID_IADs, duplicate.receiveVoid()));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ALIAS_EXISTS), duplicate->SetInfo());

    VARIANT_BOOL isMember = VARIANT_TRUE;
    EXPECT_EQ(S_OK, group->IsMember(member.get(), &isMember));
    EXPECT_EQ(VARIANT_FALSE, isMember);
    EXPECT_EQ(S_OK, group->Add(member.get()));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MEMBER_IN_ALIAS), group->Add(member.get()));
    EXPECT_EQ(S_OK, group->IsMember(member.get(), &isMember));
    EXPECT_EQ(VARIANT_TRUE, isMember);
    EXPECT_EQ(S_OK, group->Remove(member.get()));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MEMBER_NOT_IN_ALIAS), group->Remove(member.get()));

    // Deleting a user takes it out of its groups.
    EXPECT_EQ(S_OK, group->Add(member.get()));
    syslib::CSyBstr userClass(::SysAllocString(L"user"));
    syslib::CSyBstr alice(::SysAllocString(L"ALICE"));
    EXPECT_EQ(S_OK, container->Delete(userClass.get(), alice.get()));
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_UserNotFound), container->Delete(userClass.get(), alice.get()));
    std::vector<iastring> members;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), standins::groupMembers(L"builders", members));
    EXPECT_TRUE(members.empty());
}

namespace
{
// The names a container lists under a class filter of classes (none: no filter).
std::vector<iastring> listed(const std::vector<const wchar_t*>& classes)
{
    syslib::CSyComPtr<IADsContainer> container;
    EXPECT_EQ(S_OK, bindPath(L"WinNT://" + standins::computerName(), IID_IADsContainer, container.receiveVoid()));
    std::vector<iastring> names;
    if (!container)
        return names;
    syslib::CSyVariant filter;
    filter.get().vt = VT_ARRAY | VT_VARIANT;
    filter.get().parray = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(classes.size()));
    for (LONG index = 0; index < static_cast<LONG>(classes.size()); ++index)
    {
        syslib::CSyVariant element;
        element.get().vt = VT_BSTR;
        element.get().bstrVal = ::SysAllocString(classes[index]);
        ::SafeArrayPutElement(filter.get().parray, &index, &element.get());
    }
    EXPECT_EQ(S_OK, container->put_Filter(filter.get()));
    syslib::CSyComPtr<IUnknown> unknown;
    syslib::CSyComPtr<IEnumVARIANT> items;
    if (FAILED(container->get__NewEnum(unknown.receive())) ||
        FAILED(unknown->QueryInterface(IID_IEnumVARIANT, items.receiveVoid())))
        return names;
    syslib::CSyVariant item;
    while (items->Next(1, item.receive(), nullptr) == S_OK)
    {
        syslib::CSyComPtr<IADs> account;
        syslib::CSyBstr name;
        if (SUCCEEDED(item.get().pdispVal->QueryInterface(IID_IADs, account.receiveVoid())) &&
            SUCCEEDED(account->get_Name(name.receive())))
            names.push_back(name.get());
    }
    return names;
}
} // namespace

TEST_F(StandInAccounts, ContainersListByClassAndDeletedAccountsAnswerWithTheirKindsCode)
{
    addStandInUser(L"alice", L"pw-1");
    addStandInGroup(L"Builders");
    EXPECT_EQ(std::vector<iastring>{L"Builders"}, listed({L"Group"}));
    EXPECT_EQ(std::vector<iastring>{L"alice"}, listed({L"user"}));
    EXPECT_EQ((std::vector<iastring>{L"alice", L"Builders"}), listed({L"Computer", L"User", L"Group"}));

    // NetUserGetInfo gives the name alone at level 0, name and description at level 1.
    LPBYTE buffer = nullptr;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), api().NetUserGetInfo(nullptr, L"ALICE", 0, &buffer));
    EXPECT_EQ(L"alice", iastring(reinterpret_cast<USER_INFO_0*>(buffer)->usri0_name));
    ::NetApiBufferFree(buffer);
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), api().NetUserGetInfo(nullptr, L"alice", 1, &buffer));
    EXPECT_NE(0u, reinterpret_cast<USER_INFO_1*>(buffer)->usri1_flags & UF_SCRIPT);
    ::NetApiBufferFree(buffer);

    syslib::CSyComPtr<IADs> user;
    syslib::CSyComPtr<IADs> group;
    ASSERT_EQ(S_OK, bindPath(L"WinNT://" + standins::computerName() + L"/alice,user", IID_IADs, user.receiveVoid()));
    ASSERT_EQ(S_OK,
              bindPath(L"WinNT://" + standins::computerName() + L"/Builders,group", IID_IADs, group.receiveVoid()));
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), api().NetUserDel(nullptr, L"alice"));
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), api().NetLocalGroupDel(nullptr, L"Builders"));
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_UserNotFound), user->GetInfo());
    EXPECT_EQ(HRESULT_FROM_WIN32(NERR_GroupNotFound), group->GetInfo());
}
