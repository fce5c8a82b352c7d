#include "tempdir.h"

#include "syslib/common/syswin.h"

#include <gtest/gtest.h>

#include <string>

CTempDir::CTempDir()
{
    wchar_t base[MAX_PATH + 1] = {0};
    ::GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;)
    {
        m_path = iastring(base) + L"sytest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter);
        if (::CreateDirectoryW(m_path.c_str(), nullptr))
            return;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
        {
            ADD_FAILURE() << "cannot create a temporary directory, error " << ::GetLastError();
            return;
        }
    }
}

CTempDir::~CTempDir()
{
    removeTestTree(m_path);
}

void writeTestFile(const iastring& path, const std::string& content)
{
    syslib::CSyKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.isValid()) << "CreateFileW error " << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
}

void removeTestTree(const iastring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        ::DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    syslib::CSyFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find)
    {
        do
        {
            const iastring name = data.cFileName;
            if (name != L"." && name != L"..")
                removeTestTree(path + L"\\" + name);
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}
