// The product build's volume functions: the system's own.
#include "syvolumeapi.h"

namespace syslib
{
namespace
{
SyVolumeApi systemApi()
{
    SyVolumeApi api;
    api.GetVolumePathNameW = ::GetVolumePathNameW;
    api.GetVolumeNameForVolumeMountPointW = ::GetVolumeNameForVolumeMountPointW;
    api.GetVolumeInformationW = ::GetVolumeInformationW;
    api.FindFirstVolumeMountPointW = ::FindFirstVolumeMountPointW;
    api.FindNextVolumeMountPointW = ::FindNextVolumeMountPointW;
    api.FindVolumeMountPointClose = ::FindVolumeMountPointClose;
    api.SetVolumeMountPointW = ::SetVolumeMountPointW;
    api.DeleteVolumeMountPointW = ::DeleteVolumeMountPointW;
    fillSystemDriveCalls(api);
    return api;
}
} // namespace

const SyVolumeApi& volumeApi()
{
    static const SyVolumeApi api = systemApi();
    return api;
}
} // namespace syslib
