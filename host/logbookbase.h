// Host side: the state every log book keeps for the library (context, pending arguments, type
// mapping, indentation). Subclasses decide what a finished line becomes.
#pragma once

#include "framework/logbook.h"

class CLogBookBase : public ILogBook
{
public:
    enum eLineKind
    {
        LINE_TRACE,
        LINE_LOG,
        LINE_MESSAGE
    };

    // One finished line; for messages, text is the message key and arguments are filled in.
    struct CLine
    {
        eLineKind kind;
        const iastring& text;
        CMessage::eLogMessage type;
        bool flag;
        int line;
        const iastring& sourceFile;
        const iastring& functionName;
        const CLogArguments& arguments;
        int depth;
    };

    void setContextText1(const iastring& text) override { m_context1 = text; }
    const iastring& getContextText1() const override { return m_context1; }
    void setContextText2(const iastring& text) override { m_context2 = text; }
    const iastring& getContextText2() const override { return m_context2; }
    void setFunctionName(const iastring& name) override { m_functionName = name; }
    const iastring& getFunctionName() const override { return m_functionName; }
    void setSourceFile(const iastring& file) override { m_sourceFile = file; }
    const iastring& getSourceFile() const override { return m_sourceFile; }

    void setMessageType(CMessage::eLogMessage type) override { m_messageType = type; }
    CMessage::eLogMessage getMessageType() const override { return m_messageType; }

    void useTypeMapping(CMessage::eLogMessage from, CMessage::eLogMessage to) override { m_mapping[from] = to; }
    void restoreTypeMapping(const CLogTypeMapping& saved) override { m_mapping = saved; }
    CLogTypeMapping getTypeMapping() const override { return m_mapping; }

    void setArguments(const CLogArguments& arguments) override { m_arguments = arguments; }
    const CLogArguments& getArguments() const override { return m_arguments; }
    void clearArguments() override { m_arguments.clear(); }
    void addArgument(const iastring& argument) override { m_arguments.push_back(argument); }

    void setTraceLevel(int level) override { m_traceLevel = level; }
    int getTraceLevel() const override { return m_traceLevel; }

    void trace(const iastring& text, int line) override { emit(LINE_TRACE, text, CMessage::LOG_INFO, false, line); }
    void log(const iastring& text, int line) override { emit(LINE_LOG, text, CMessage::LOG_INFO, false, line); }
    void message(const iastring& key, CMessage::eLogMessage type, int line) override
    {
        emit(LINE_MESSAGE, key, mapped(type), false, line);
        m_arguments.clear();
    }
    void messageWithFlag(const iastring& key, bool flag, CMessage::eLogMessage type, int line) override
    {
        emit(LINE_MESSAGE, key, mapped(type), flag, line);
        m_arguments.clear();
    }
    void logMessage(const iastring& key, int line) override { message(key, m_messageType, line); }

    void indent() override { ++m_depth; }
    void unindent() override
    {
        if (m_depth > 0)
            --m_depth;
    }
    int depth() const { return m_depth; }

protected:
    virtual void write(const CLine& line) = 0;

private:
    CMessage::eLogMessage mapped(CMessage::eLogMessage type) const
    {
        const CLogTypeMapping::const_iterator found = m_mapping.find(type);
        return found == m_mapping.end() ? type : found->second;
    }
    void emit(eLineKind kind, const iastring& text, CMessage::eLogMessage type, bool flag, int line)
    {
        const CLine finished = {kind, text, type, flag, line, m_sourceFile, m_functionName, m_arguments, m_depth};
        write(finished);
    }

    iastring m_context1;
    iastring m_context2;
    iastring m_functionName;
    iastring m_sourceFile;
    CMessage::eLogMessage m_messageType = CMessage::LOG_INFO;
    CLogTypeMapping m_mapping;
    CLogArguments m_arguments;
    int m_traceLevel = 0;
    int m_depth = 0;
};
