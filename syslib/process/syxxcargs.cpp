// Portable code only: splitting and joining argument lists.
#include "syargs.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcargs")

namespace
{
const iachar quoteChar = L'"';
const iachar backslash = L'\\';

// Lives for one split; hands out the arguments one after the other.
class CArgumentTokenizer
{
public:
    static const unsigned int noToken = static_cast<unsigned int>(-1);

    CArgumentTokenizer(const iastring& text, const iastring& separators)
        : m_text(text), m_separators(separators), m_position(0), m_length(static_cast<unsigned int>(text.size()))
    {
    }

    bool hasToken() const { return m_position != noToken; }
    const iastring& token() const { return m_token; }

    void next()
    {
        if (m_position < m_length && isSeparator(m_text[m_position]))
            skipSeparators();
        m_token.clear();
        if (m_position >= m_length)
        {
            m_position = noToken;
            return;
        }
        while (m_position < m_length)
        {
            const iachar c = m_text[m_position];
            if (c == backslash)
                backslashRun();
            else if (isSeparator(c))
            {
                skipSeparators();
                return;
            }
            else if (c == quoteChar)
                quotedPart();
            else
            {
                m_token += c;
                ++m_position;
            }
        }
    }

private:
    bool isSeparator(iachar c) const { return m_separators.find(c) != iastring::npos; }

    void skipSeparators()
    {
        while (m_position < m_length && isSeparator(m_text[m_position]))
            ++m_position;
    }

    // Leaves the position on a double quote that opens or closes a quoted part.
    void backslashRun()
    {
        unsigned int count = 0;
        while (m_position < m_length && m_text[m_position] == backslash)
        {
            ++count;
            ++m_position;
        }
        if (m_position < m_length && m_text[m_position] == quoteChar)
        {
            m_token.append(count / 2, backslash);
            if (count % 2 == 1)
            {
                m_token += quoteChar;
                ++m_position;
            }
        }
        else
            m_token.append(count, backslash);
    }

    void quotedPart()
    {
        ++m_position;
        if (m_position >= m_length)
        {
            syslib::traceExceptionAt(__LINE__, syThisSourceFileName());
            throw EUnmatchedDoubleQuote();
        }
        while (m_position < m_length)
        {
            const iachar c = m_text[m_position];
            if (c == backslash)
                backslashRun();
            else if (c == quoteChar)
                break;
            else
            {
                m_token += c;
                ++m_position;
            }
        }
        ++m_position;
        if (m_position > m_length)
        {
            syslib::traceExceptionAt(__LINE__, syThisSourceFileName());
            throw EUnmatchedDoubleQuote();
        }
    }

    const iastring& m_text;
    const iastring& m_separators;
    iastring m_token;
    unsigned int m_position;
    unsigned int m_length;
};

// Backslashes before a double quote, and before the closing quote when there is one, are doubled; the
// double quote itself gets a backslash.
iastring escaped(const iastring& argument, bool closingQuoteFollows)
{
    iastring result;
    result.reserve(argument.size() + 8);
    const std::size_t length = argument.size();
    for (std::size_t i = 0; i < length;)
    {
        if (argument[i] == backslash)
        {
            std::size_t end = i;
            while (end < length && argument[end] == backslash)
                ++end;
            const std::size_t count = end - i;
            const bool beforeQuote = end < length ? argument[end] == quoteChar : closingQuoteFollows;
            result.append(beforeQuote ? 2 * count : count, backslash);
            i = end;
        }
        else
        {
            if (argument[i] == quoteChar)
                result += backslash;
            result += argument[i];
            ++i;
        }
    }
    return result;
}
} // namespace

CSyArguments::CSyArguments(ILogBook* logBook) : m_logBook(logBook)
{
    m_arguments.reserve(16);
}

// Neither the text nor the arguments are traced: a command line may carry a password.
void CSyArguments::set(const iastring& argumentString, const iastring& separators)
{
    SY_TRACE_FUNCTION(L"CSyArguments::set(const iastring&, const iastring&)");
    if (separators.empty() || separators.find(quoteChar) != iastring::npos)
    {
        ILogBook& book = m_logBook ? *m_logBook : syslib::logBook();
        book.addArgument(separators);
        book.message(L"syslib.process.childApplication.badSeparator", CMessage::LOG_ERROR, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    m_arguments.clear();
    parseStringToVectorImpl(argumentString, separators);
}

void CSyArguments::set(const PSyStringIterator& arguments)
{
    SY_TRACE_FUNCTION(L"CSyArguments::set(PSyStringIterator)");
    std::vector<iastring> items;
    if (arguments)
        for (arguments->first(); !arguments->isDone(); arguments->next())
            items.push_back(arguments->get());
    m_arguments.swap(items);
}

void CSyArguments::parseStringToVectorImpl(const iastring& argumentString, const iastring& separators)
{
    CArgumentTokenizer tokenizer(argumentString, separators);
    for (tokenizer.next(); tokenizer.hasToken(); tokenizer.next())
        m_arguments.push_back(tokenizer.token());
}

iastring CSyArguments::quote(const iastring& argument, iachar separator)
{
    if (argument.find(separator) != iastring::npos)
        return quoteChar + escaped(argument, true) + quoteChar;
    if (argument.find(quoteChar) == iastring::npos)
        return argument;
    return escaped(argument, false);
}

iastring CSyArguments::join(iachar separator) const
{
    SY_TRACE_FUNCTION(L"CSyArguments::join(iachar)");
    iastring result;
    for (std::size_t i = 0; i < m_arguments.size(); ++i)
    {
        if (i > 0)
            result += separator;
        result += quote(m_arguments[i], separator);
    }
    return result;
}
