// Portable code only: the library-wide log book, the trace guard and the type-mapping guards.
#include "sygeneric.h"
#include "sytrace.h"

namespace
{
ILogBook* g_logBook = nullptr;

// Stands in while the host has set no log book, so that a call made too early cannot crash.
class CSyDiscardingLogBook : public ILogBook
{
public:
    void setContextText1(const iastring&) override {}
    const iastring& getContextText1() const override { return m_empty; }
    void setContextText2(const iastring&) override {}
    const iastring& getContextText2() const override { return m_empty; }
    void setFunctionName(const iastring&) override {}
    const iastring& getFunctionName() const override { return m_empty; }
    void setSourceFile(const iastring&) override {}
    const iastring& getSourceFile() const override { return m_empty; }
    void setMessageType(CMessage::eLogMessage) override {}
    CMessage::eLogMessage getMessageType() const override { return CMessage::LOG_INFO; }
    void useTypeMapping(CMessage::eLogMessage, CMessage::eLogMessage) override {}
    void restoreTypeMapping(const CLogTypeMapping&) override {}
    CLogTypeMapping getTypeMapping() const override { return CLogTypeMapping(); }
    void setArguments(const CLogArguments&) override {}
    const CLogArguments& getArguments() const override { return m_noArguments; }
    void clearArguments() override {}
    void addArgument(const iastring&) override {}
    void setTraceLevel(int) override {}
    int getTraceLevel() const override { return 0; }
    void trace(const iastring&, int) override {}
    void log(const iastring&, int) override {}
    void message(const iastring&, CMessage::eLogMessage, int) override {}
    void messageWithFlag(const iastring&, bool, CMessage::eLogMessage, int) override {}
    void logMessage(const iastring&, int) override {}
    void indent() override {}
    void unindent() override {}

private:
    iastring m_empty;
    CLogArguments m_noArguments;
};
} // namespace

namespace syslib
{
ILogBook* getLogBook()
{
    return g_logBook;
}

ILogBook* setLogBook(ILogBook* logBook)
{
    ILogBook* previous = g_logBook;
    g_logBook = logBook;
    return previous;
}

ILogBook& logBook()
{
    static CSyDiscardingLogBook discarding;
    return g_logBook ? *g_logBook : discarding;
}
} // namespace syslib

ILogBook* CSyGenericImpl::setLogBook(ILogBook* logBook)
{
    return syslib::setLogBook(logBook);
}

ILogBook* CSyGenericImpl::getLogBook() const
{
    return syslib::getLogBook();
}

CSyTraceGuard::CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                             const iastring& beginText, const iastring& endText, bool indent)
    : m_logBook(logBook), m_endText(endText), m_indent(indent)
{
    begin(sourceFile, signature, line, beginText);
}

void CSyTraceGuard::begin(const iastring& sourceFile, const iastring& signature, int line, const iastring& beginText)
{
    m_traceLevel = m_logBook->getTraceLevel();
    m_messageType = m_logBook->getMessageType();
    m_arguments = m_logBook->getArguments();
    m_sourceFile = m_logBook->getSourceFile();
    m_contextText1 = m_logBook->getContextText1();
    m_contextText2 = m_logBook->getContextText2();
    m_functionName = m_logBook->getFunctionName();
    if (m_indent)
        m_logBook->indent();
    m_logBook->setSourceFile(sourceFile);
    m_logBook->setFunctionName(signature);
    if (!m_arguments.empty())
        m_logBook->clearArguments();
    if (!beginText.empty())
        m_logBook->trace(beginText, line);
}

CSyTraceGuard::~CSyTraceGuard()
{
    if (!m_logBook)
        return;
    if (!m_endText.empty())
        m_logBook->trace(m_endText, 0);
    if (m_indent)
        m_logBook->unindent();
    m_logBook->setTraceLevel(m_traceLevel);
    m_logBook->setMessageType(m_messageType);
    if (!m_arguments.empty())
        m_logBook->setArguments(m_arguments);
    else if (!m_logBook->getArguments().empty())
        m_logBook->clearArguments();
    m_logBook->setSourceFile(m_sourceFile);
    m_logBook->setContextText1(m_contextText1);
    m_logBook->setContextText2(m_contextText2);
    m_logBook->setFunctionName(m_functionName);
}

CTypeMappingBackup::CTypeMappingBackup(ILogBook* logBook) : m_logBook(logBook), m_saved(logBook->getTypeMapping())
{
}

CTypeMappingBackup::~CTypeMappingBackup()
{
    m_logBook->restoreTypeMapping(m_saved);
}

CUseTypeMapping::CUseTypeMapping(ILogBook* logBook, CMessage::eLogMessage from, CMessage::eLogMessage to)
    : CTypeMappingBackup(logBook)
{
    m_logBook->useTypeMapping(from, to);
}
