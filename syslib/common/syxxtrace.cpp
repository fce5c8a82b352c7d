// Portable code only: the library-wide log book, the trace guard and the type-mapping guards.
#include "sygeneric.h"
#include "sytrace.h"

#include <atomic>
#include <vector>

namespace
{
ILogBook* g_logBook = nullptr;
// Threads that write to a book of their own; while there are none, no call pays for the thread's slot.
std::atomic<int> g_threadBooks{0};
thread_local ILogBook* t_threadBook = nullptr;

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
    if (g_threadBooks.load(std::memory_order_relaxed) != 0 && t_threadBook != nullptr)
        return t_threadBook;
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
    ILogBook* const book = getLogBook();
    return book ? *book : discarding;
}

CSyThreadLogBook::CSyThreadLogBook(ILogBook* book) : m_set(book != nullptr), m_previous(t_threadBook)
{
    if (!m_set)
        return;
    ++g_threadBooks;
    t_threadBook = book;
}

CSyThreadLogBook::~CSyThreadLogBook()
{
    if (!m_set)
        return;
    t_threadBook = m_previous;
    --g_threadBooks;
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

namespace
{
struct CSyGuardSavedState
{
    int traceLevel;
    CMessage::eLogMessage messageType;
    CLogArguments arguments;
    iastring sourceFile;
    iastring contextText1;
    iastring contextText2;
    iastring functionName;
};

// Slots are reused, not popped, so their strings keep their capacity.
struct CSyGuardStack
{
    std::vector<CSyGuardSavedState> slots;
    std::size_t depth = 0;
};

// Per-thread state is kept through plain pointers: a thread_local object with a destructor brings a
// mingw thread down at its end (the emulated thread storage is freed before the destructor runs). A
// thread the library starts releases it before it ends (releaseThreadState).
thread_local CSyGuardStack* t_guardStack = nullptr;
thread_local std::wostringstream* t_conversionStream = nullptr;

CSyGuardStack& guardStack()
{
    if (t_guardStack == nullptr)
        t_guardStack = new CSyGuardStack;
    return *t_guardStack;
}
} // namespace

namespace syslib
{
const CSyGuardTexts& guardTexts()
{
    static const CSyGuardTexts texts;
    return texts;
}

std::wostringstream& conversionStream()
{
    if (t_conversionStream == nullptr)
        t_conversionStream = new std::wostringstream;
    std::wostringstream& stream = *t_conversionStream;
    stream.str(iastring());
    stream.clear();
    return stream;
}

void releaseThreadState()
{
    delete t_guardStack;
    t_guardStack = nullptr;
    delete t_conversionStream;
    t_conversionStream = nullptr;
}
} // namespace syslib

CSyTraceGuard::CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                             const iastring& beginText, const iastring& endText, bool indent)
    : m_logBook(logBook), m_endText(&m_ownedEndText), m_ownedEndText(endText), m_indent(indent), m_savedSlot(0)
{
    enter(sourceFile, signature, line, beginText);
}

CSyTraceGuard::CSyTraceGuard(ILogBook* logBook, const iastring& sourceFile, const iastring& signature, int line,
                             const iastring& beginText, CStaticEndText endText, bool indent)
    : m_logBook(logBook), m_endText(&endText.text), m_indent(indent), m_savedSlot(0)
{
    enter(sourceFile, signature, line, beginText);
}

void CSyTraceGuard::enter(const iastring& sourceFile, const iastring& signature, int line, const iastring& beginText)
{
    if (!m_logBook)
        return;
    CSyGuardStack& stack = guardStack();
    m_savedSlot = stack.depth++;
    if (stack.slots.size() <= m_savedSlot)
        stack.slots.resize(m_savedSlot + 1);
    CSyGuardSavedState& saved = stack.slots[m_savedSlot];
    saved.traceLevel = m_logBook->getTraceLevel();
    saved.messageType = m_logBook->getMessageType();
    saved.arguments = m_logBook->getArguments();
    saved.sourceFile = m_logBook->getSourceFile();
    saved.contextText1 = m_logBook->getContextText1();
    saved.contextText2 = m_logBook->getContextText2();
    saved.functionName = m_logBook->getFunctionName();

    if (m_indent)
        m_logBook->indent();
    m_logBook->setSourceFile(sourceFile);
    m_logBook->setFunctionName(signature);
    if (!saved.arguments.empty())
        m_logBook->clearArguments();
    if (!beginText.empty())
        m_logBook->trace(beginText, line);
}

CSyTraceGuard::~CSyTraceGuard()
{
    if (!m_logBook)
        return;
    CSyGuardStack& stack = guardStack();
    const CSyGuardSavedState& saved = stack.slots[m_savedSlot];
    if (!m_endText->empty())
        m_logBook->trace(*m_endText, 0);
    if (m_indent)
        m_logBook->unindent();
    m_logBook->setTraceLevel(saved.traceLevel);
    m_logBook->setMessageType(saved.messageType);
    if (!saved.arguments.empty())
        m_logBook->setArguments(saved.arguments);
    else if (!m_logBook->getArguments().empty())
        m_logBook->clearArguments();
    m_logBook->setSourceFile(saved.sourceFile);
    m_logBook->setContextText1(saved.contextText1);
    m_logBook->setContextText2(saved.contextText2);
    m_logBook->setFunctionName(saved.functionName);
    stack.depth = m_savedSlot;
}

// Without a log book the library writes to a silent one; its mapping is restored all the same.
CTypeMappingBackup::CTypeMappingBackup(ILogBook* logBook)
    : m_logBook(logBook ? logBook : &syslib::logBook()), m_saved(m_logBook->getTypeMapping())
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
