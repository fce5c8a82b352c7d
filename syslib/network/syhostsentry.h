// One line of the hosts file or of the services file, as a value the caller fills, looks up and writes.
#pragma once

#include "framework/iaiter.h"
#include "syslib/common/syexport.h"
#include "syslib/common/sygeneric.h"

#include <ostream>

typedef IIaPIterGeneric<iastring> ISyIPNameIterator;
typedef IaPtr<ISyIPNameIterator> PSyIPNameIterator;
typedef IIaPIterGeneric<iastring> ISyIPAddressIterator;
typedef IaPtr<ISyIPAddressIterator> PSyIPAddressIterator;
typedef IIaPIterGeneric<iastring> ISyServiceNameIterator;
typedef IaPtr<ISyServiceNameIterator> PSyServiceNameIterator;

class ISyHostsEntry : public ISyGeneric
{
public:
    enum eWriteMode
    {
        APPEND = 0,
        REPLACE = 1 // drops every line of the entry's address first
    };

    virtual void clear() = 0;
    virtual void addName(const iastring& hostName) = 0;
    virtual void addIPAddress(const iastring& ipAddress) = 0;
    // The first name is the canonical one.
    virtual PSyIPNameIterator getHostNames() const = 0;
    virtual PSyIPAddressIterator getIPAddresses() const = 0;
    virtual void set(const iastring& ipAddress, const iastring& hostName) = 0;
    // Fills the entry from the first line that carries its address and all its names.
    virtual bool getFromHosts() = 0;
    virtual void addToHosts(eWriteMode mode) const = 0;
    // The file the entry reads and writes; the system's hosts file unless set.
    virtual void setFilePath(const iastring& path) = 0;
    virtual iastring getFilePath() const = 0;
};
typedef IaPtr<ISyHostsEntry> PSyHostsEntry;
typedef IIaPIterGeneric<PSyHostsEntry> ISyHostsEntryIterator;
typedef IaPtr<ISyHostsEntryIterator> PSyHostsEntryIterator;

class ISyServicesEntry : public ISyGeneric
{
public:
    // A bit set: 1 drops the lines of the port and protocol, 2 those of the name, 4 adds no line.
    enum eWriteMode
    {
        APPEND = 0,
        REPLACE = 1,
        REPLACE_NAME = 2,
        REMOVE = 5,
        REMOVE_NAME = 6
    };

    virtual void clear() = 0;
    virtual void addName(const iastring& serviceName) = 0;
    virtual void setPort(unsigned int portNumber) = 0;
    // The service name first, then its aliases.
    virtual PSyServiceNameIterator getServiceNames() const = 0;
    virtual unsigned int getPortNumber() const = 0;
    virtual void set(const iastring& serviceName, const iastring& protocol, unsigned int portNumber) = 0;
    virtual void setProtocol(const iastring& protocol) = 0;
    virtual iastring getProtocol() const = 0;
    // Asks the system's services database, not the file.
    virtual bool getFromServices() = 0;
    virtual void addToServices(eWriteMode mode) const = 0;
    virtual void removeFromServices(eWriteMode mode) const = 0;
    // The file the entry writes; the system's services file unless set.
    virtual void setFilePath(const iastring& path) = 0;
    virtual iastring getFilePath() const = 0;
    // Fills the entry from the first line of its file with its name (or, without names, its port) and
    // protocol: the library's own reading, for callers that must not depend on the socket library's.
    virtual bool getFromServicesFile() = 0;
};
typedef IaPtr<ISyServicesEntry> PSyServicesEntry;

inline ISyServicesEntry::eWriteMode operator|(ISyServicesEntry::eWriteMode a, ISyServicesEntry::eWriteMode b)
{
    return static_cast<ISyServicesEntry::eWriteMode>(static_cast<int>(a) | static_cast<int>(b));
}

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyHostsEntry::eWriteMode value);
// "APPEND", or the names of the parts present joined by "|".
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyServicesEntry::eWriteMode value);
