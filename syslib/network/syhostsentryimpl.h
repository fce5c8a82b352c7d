// Hosts and services entries: values that read and rewrite their files through syfileedit.h.
#pragma once

#include "syhostsentry.h"

#include <vector>

class CSyHostsEntryImpl : public CSyGenericImpl
{
public:
    explicit CSyHostsEntryImpl(const iastring& filePath) : m_filePath(filePath) {}

    void clear();
    void addName(const iastring& hostName);
    void addIPAddress(const iastring& ipAddress);
    PSyIPNameIterator getHostNames() const;
    PSyIPAddressIterator getIPAddresses() const;
    void set(const iastring& ipAddress, const iastring& hostName);
    bool getFromHosts();
    void addToHosts(ISyHostsEntry::eWriteMode mode) const;
    void setFilePath(const iastring& path);
    iastring getFilePath() const { return m_filePath; }

    // The line as written: address TAB names separated by blanks.
    iastring toLine() const;
    // Reads one hosts line: false for a line without an address (blank or comment only).
    static bool parseLine(const iastring& line, iastring& address, std::vector<iastring>& names);

private:
    std::vector<iastring> m_ipAddresses;
    std::vector<iastring> m_ipNames;
    iastring m_filePath;
};

class CSyHostsEntry : public CSyHandle<ISyHostsEntry, CSyHostsEntryImpl>
{
public:
    explicit CSyHostsEntry(const iastring& filePath) : CSyHandle(filePath) {}

    void clear() override { return SY_FORWARD(m_impl.clear()); }
    void addName(const iastring& hostName) override { return SY_FORWARD(m_impl.addName(hostName)); }
    void addIPAddress(const iastring& ipAddress) override { return SY_FORWARD(m_impl.addIPAddress(ipAddress)); }
    PSyIPNameIterator getHostNames() const override { return SY_FORWARD(m_impl.getHostNames()); }
    PSyIPAddressIterator getIPAddresses() const override { return SY_FORWARD(m_impl.getIPAddresses()); }
    void set(const iastring& ipAddress, const iastring& hostName) override
    {
        return SY_FORWARD(m_impl.set(ipAddress, hostName));
    }
    bool getFromHosts() override { return SY_FORWARD(m_impl.getFromHosts()); }
    void addToHosts(eWriteMode mode) const override { return SY_FORWARD(m_impl.addToHosts(mode)); }
    void setFilePath(const iastring& path) override { return SY_FORWARD(m_impl.setFilePath(path)); }
    iastring getFilePath() const override { return SY_FORWARD(m_impl.getFilePath()); }
};

class CSyServicesEntryImpl : public CSyGenericImpl
{
public:
    explicit CSyServicesEntryImpl(const iastring& filePath) : m_filePath(filePath) {}

    void clear();
    void addName(const iastring& serviceName);
    void setPort(unsigned int portNumber);
    PSyServiceNameIterator getServiceNames() const;
    unsigned int getPortNumber() const { return m_portNumber; }
    void set(const iastring& serviceName, const iastring& protocol, unsigned int portNumber);
    void setProtocol(const iastring& protocol);
    iastring getProtocol() const { return m_protocol; }
    bool getFromServices();
    void addToServices(ISyServicesEntry::eWriteMode mode) const;
    void removeFromServices(ISyServicesEntry::eWriteMode mode) const;
    void setFilePath(const iastring& path);
    iastring getFilePath() const { return m_filePath; }
    bool getFromServicesFile();

    // The line as written: name TAB port/protocol TAB aliases separated by blanks.
    iastring toLine() const;

private:
    void editServices(ISyServicesEntry::eWriteMode mode) const;
    // The socket library's answer; false when it has none. Windows half.
    bool lookUpServicesDatabase(std::vector<iastring>& names, iastring& protocol, unsigned int& port) const;

    unsigned int m_portNumber = 0;
    iastring m_protocol;
    std::vector<iastring> m_serviceNames;
    iastring m_filePath;
};

class CSyServicesEntry : public CSyHandle<ISyServicesEntry, CSyServicesEntryImpl>
{
public:
    explicit CSyServicesEntry(const iastring& filePath) : CSyHandle(filePath) {}

    void clear() override { return SY_FORWARD(m_impl.clear()); }
    void addName(const iastring& serviceName) override { return SY_FORWARD(m_impl.addName(serviceName)); }
    void setPort(unsigned int portNumber) override { return SY_FORWARD(m_impl.setPort(portNumber)); }
    PSyServiceNameIterator getServiceNames() const override { return SY_FORWARD(m_impl.getServiceNames()); }
    unsigned int getPortNumber() const override { return SY_FORWARD(m_impl.getPortNumber()); }
    void set(const iastring& serviceName, const iastring& protocol, unsigned int portNumber) override
    {
        return SY_FORWARD(m_impl.set(serviceName, protocol, portNumber));
    }
    void setProtocol(const iastring& protocol) override { return SY_FORWARD(m_impl.setProtocol(protocol)); }
    iastring getProtocol() const override { return SY_FORWARD(m_impl.getProtocol()); }
    bool getFromServices() override { return SY_FORWARD(m_impl.getFromServices()); }
    void addToServices(eWriteMode mode) const override { return SY_FORWARD(m_impl.addToServices(mode)); }
    void removeFromServices(eWriteMode mode) const override { return SY_FORWARD(m_impl.removeFromServices(mode)); }
    void setFilePath(const iastring& path) override { return SY_FORWARD(m_impl.setFilePath(path)); }
    iastring getFilePath() const override { return SY_FORWARD(m_impl.getFilePath()); }
    bool getFromServicesFile() override { return SY_FORWARD(m_impl.getFromServicesFile()); }
};
