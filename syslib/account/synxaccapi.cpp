// The product build's account functions: the system's own.
#include "syaccountapi.h"

#include <adshlp.h>

namespace syslib
{
namespace
{
SyAccountApi systemApi()
{
    SyAccountApi api;
    api.ADsGetObject = ::ADsGetObject;
    api.NetUserAdd = ::NetUserAdd;
    api.NetUserDel = ::NetUserDel;
    api.NetUserGetInfo = ::NetUserGetInfo;
    api.NetUserGetLocalGroups = ::NetUserGetLocalGroups;
    api.NetUserModalsGet = ::NetUserModalsGet;
    api.NetLocalGroupAdd = ::NetLocalGroupAdd;
    api.NetLocalGroupDel = ::NetLocalGroupDel;
    api.NetLocalGroupAddMembers = ::NetLocalGroupAddMembers;
    api.NetLocalGroupDelMembers = ::NetLocalGroupDelMembers;
    api.NetGetDCName = ::NetGetDCName;
    api.NetGetAnyDCName = ::NetGetAnyDCName;
    api.NetServerGetInfo = ::NetServerGetInfo;
    api.LookupAccountNameW = ::LookupAccountNameW;
    api.LookupAccountSidW = ::LookupAccountSidW;
    api.LogonUserW = ::LogonUserW;
    api.LoadUserProfileW = ::LoadUserProfileW;
    api.UnloadUserProfile = ::UnloadUserProfile;
    api.GetUserProfileDirectoryW = ::GetUserProfileDirectoryW;
    api.Sleep = ::Sleep;
    return api;
}
} // namespace

const SyAccountApi& accountApi()
{
    static const SyAccountApi api = systemApi();
    return api;
}
} // namespace syslib
