// The installer engine's log book as the library sees it. The engine owns and implements it.
#pragma once

#include "iastring.h"

#include <map>
#include <vector>

class CMessage
{
public:
    enum eLogMessage
    {
        LOG_INFO = 100,
        LOG_WARNING = 102,
        LOG_ERROR = 103
    };
};

typedef std::vector<iastring> CLogArguments;
typedef std::map<CMessage::eLogMessage, CMessage::eLogMessage> CLogTypeMapping;

class ILogBook
{
public:
    virtual ~ILogBook() {}

    virtual void setContextText1(const iastring& text) = 0;
    virtual const iastring& getContextText1() const = 0;
    virtual void setContextText2(const iastring& text) = 0;
    virtual const iastring& getContextText2() const = 0;
    virtual void setFunctionName(const iastring& name) = 0;
    virtual const iastring& getFunctionName() const = 0;
    virtual void setSourceFile(const iastring& file) = 0;
    virtual const iastring& getSourceFile() const = 0;

    virtual void setMessageType(CMessage::eLogMessage type) = 0;
    virtual CMessage::eLogMessage getMessageType() const = 0;

    virtual void useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage to) = 0;
    virtual void restoreTypeMapping(const CLogTypeMapping& saved) = 0;
    virtual CLogTypeMapping getTypeMapping() const = 0;

    virtual void setArguments(const CLogArguments& arguments) = 0;
    virtual const CLogArguments& getArguments() const = 0;
    virtual void clearArguments() = 0;
    virtual void addArgument(const iastring& argument) = 0;

    virtual void setTraceLevel(int level) = 0;
    virtual int getTraceLevel() const = 0;

    virtual void trace(const iastring& text, int line) = 0;
    virtual void log(const iastring& text, int line) = 0;
    virtual void message(const iastring& key, CMessage::eLogMessage type, int line) = 0;
    virtual void messageWithFlag(const iastring& key, bool flag, CMessage::eLogMessage type, int line) = 0;
    virtual void logMessage(const iastring& key, int line) = 0;

    virtual void indent() = 0;
    virtual void unindent() = 0;
};
