// What the network tests share: a temporary hosts or services file and reading it back byte for byte.
#pragma once

#include "framework/iastrutil.h"
#include "syslib/common/syswin.h"
#include "syslib/network/syhostsentryimpl.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string readTestFile(const iastring& path)
{
    std::string bytes;
    syslib::CSyKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file.isValid()) << "cannot read the test file, error " << ::GetLastError();
    char buffer[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

inline bool exists(const iastring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <class Iterator>
std::vector<iastring> collect(const Iterator& it)
{
    std::vector<iastring> items;
    for (it->first(); !it->isDone(); it->next())
        items.push_back(it->get());
    return items;
}

class CNetworkFileTest : public ::testing::Test
{
protected:
    PSyHostsEntry hostsEntry() { return PSyHostsEntry(new CSyHostsEntry(m_file)); }
    PSyServicesEntry servicesEntry() { return PSyServicesEntry(new CSyServicesEntry(m_file)); }
    iastring copyPath() const { return m_file + L".Qeltmp"; }

    CTempDir m_dir;
    iastring m_file = m_dir / L"hosts";
    CRecordingLogBook m_book;
};
