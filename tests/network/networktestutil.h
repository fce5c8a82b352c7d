// What the network tests share: a temporary hosts or services file and reading it back byte for byte.
#pragma once

#include "framework/iastrutil.h"
#include "syslib/common/syswin.h"
#include "syslib/network/syhostsentryimpl.h"
#include "syslib/network/synwlow.h"
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

// Wine lists its network cards under NetworkCards but keeps none of the per-card TCP/IP keys Windows has
// (System\CurrentControlSet\Services\<card>\Parameters\Tcpip), without which the card scan fails. Made for
// a test where missing, removed after it; the library's kept card list is dropped both times.
class CCardTcpipKeys
{
public:
    CCardTcpipKeys()
    {
        syslib::CSyRegKey cards;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, cardsKey, 0, KEY_READ | syslib::nativeRegistryView, cards.receive());
        wchar_t card[256];
        for (DWORD i = 0; cards; ++i)
        {
            DWORD length = 256;
            if (::RegEnumKeyExW(cards.get(), i, card, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            wchar_t service[256] = {0};
            DWORD size = sizeof(service) - sizeof(wchar_t);
            if (::RegGetValueW(cards.get(), card, L"ServiceName", RRF_RT_REG_SZ, nullptr, service, &size) ==
                ERROR_SUCCESS)
                add(card, service);
        }
        syslib::network::NwForgetNIC_INFO();
    }
    ~CCardTcpipKeys()
    {
        for (const iastring& made : m_made)
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, made.c_str());
        syslib::CSyRegKey cards;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, cardsKey, 0, KEY_ALL_ACCESS | syslib::nativeRegistryView, cards.receive());
        for (const iastring& card : m_madeCards)
            ::RegDeleteTreeW(cards.get(), card.c_str()), ::RegDeleteKeyW(cards.get(), card.c_str());
        syslib::network::NwForgetNIC_INFO();
    }
    CCardTcpipKeys(const CCardTcpipKeys&) = delete;
    CCardTcpipKeys& operator=(const CCardTcpipKeys&) = delete;

    // A card of the test's own, registered after the machine's: its description given as raw bytes of a type,
    // its service's TCP/IP key naming the address given (REG_MULTI_SZ). Removed with the rest.
    void addCard(const iastring& card, DWORD descriptionType, const std::string& description, const iastring& service,
                 const iastring& address)
    {
        syslib::CSyRegKey key;
        // Wine keeps NetworkCards volatile, and a volatile key takes only volatile subkeys.
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (iastring(cardsKey) + L"\\" + card).c_str(), 0, nullptr,
                          REG_OPTION_VOLATILE, KEY_ALL_ACCESS | syslib::nativeRegistryView, nullptr, key.receive(),
                          nullptr);
        m_madeCards.push_back(card);
        ::RegSetValueExA(key.get(), "Description", 0, descriptionType, reinterpret_cast<const BYTE*>(description.data()),
                         static_cast<DWORD>(description.size()));
        const std::string serviceName(service.begin(), service.end());
        ::RegSetValueExA(key.get(), "ServiceName", 0, REG_SZ, reinterpret_cast<const BYTE*>(serviceName.c_str()),
                         static_cast<DWORD>(serviceName.size() + 1));
        add(card, service.substr(0, 100));
        syslib::CSyRegKey tcpip;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_cards.back().second.c_str(), 0, KEY_SET_VALUE, tcpip.receive());
        const iastring list = address + iastring(2, L'\0');
        ::RegSetValueExW(tcpip.get(), L"IPAddress", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                         static_cast<DWORD>(list.size() * sizeof(wchar_t)));
        syslib::network::NwForgetNIC_INFO();
    }

    // Card key name (under NetworkCards) -> its Tcpip key (under HKEY_LOCAL_MACHINE).
    const std::vector<std::pair<iastring, iastring>>& cards() const { return m_cards; }
    // Takes a card's Tcpip key away again, when the test made it (never one of the machine's own).
    bool removeTcpipKey(const iastring& tcpip)
    {
        for (const iastring& made : m_made)
            if (tcpip.compare(0, made.size(), made) == 0)
                return ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, tcpip.c_str()) == ERROR_SUCCESS &&
                       ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, tcpip.c_str()) != ERROR_ACCESS_DENIED;
        return false;
    }

    static constexpr const wchar_t* cardsKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";

private:
    void add(const iastring& card, const iastring& service)
    {
        const iastring serviceKey = L"System\\CurrentControlSet\\Services\\" + service;
        const iastring tcpip = serviceKey + L"\\Parameters\\Tcpip";
        m_cards.emplace_back(card, tcpip);
        // What is there already belongs to the machine; only what the test makes goes again.
        for (const iastring& part : {serviceKey, serviceKey + L"\\Parameters", tcpip})
        {
            syslib::CSyRegKey existing;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, part.c_str(), 0, KEY_READ, existing.receive()) == ERROR_SUCCESS)
                continue;
            syslib::CSyRegKey made;
            if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  made.receive(), nullptr) == ERROR_SUCCESS)
                m_made.push_back(part);
            break;
        }
        syslib::CSyRegKey made;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, tcpip.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, made.receive(),
                          nullptr);
    }

    std::vector<std::pair<iastring, iastring>> m_cards;
    std::vector<iastring> m_made;
    std::vector<iastring> m_madeCards;
};
