// The argument list of a program to start: split from one command-line text, joined back into one.
//
// Splitting follows the quoting rules of the Windows C runtime: separators outside double quotes end
// an argument, a double quote opens or closes a quoted part (which may sit inside an argument), and a
// run of n backslashes before a double quote stands for n/2 backslashes, plus a literal quote when n is
// odd. Backslashes not followed by a double quote are ordinary characters.
//
// Joining quotes each argument so that this split gives it back, with two gaps the joined text keeps
// on purpose, because callers rely on the exact text:
//  - an empty argument is joined as nothing, so it is lost;
//  - only an argument that contains the joining separator is put in double quotes. With a blank as the
//    separator, an argument with a tab but no blank stays unquoted, and a child's runtime, which also
//    splits at tabs, sees two arguments.
// Trailing backslashes of a quoted argument are doubled, so that they do not escape the closing quote.
#pragma once

#include "framework/iaiter.h"
#include "framework/iastring.h"
#include "framework/logbook.h"

#include <vector>

typedef IIaPIterGeneric<iastring> ISyStringIterator;
typedef IaPtr<ISyStringIterator> PSyStringIterator;

class CSyArguments
{
public:
    explicit CSyArguments(ILogBook* logBook);
    virtual ~CSyArguments() {}

    // Replaces the list by the split of argumentString; each character of separators separates.
    // Throws ESyPrecondition for an empty separator set or one with a double quote (list unchanged), and
    // EUnmatchedDoubleQuote for an unclosed quote (the list then holds the arguments completed before).
    void set(const iastring& argumentString, const iastring& separators);
    // Replaces the list by the iterator's strings, unchanged; a null iterator empties it.
    void set(const PSyStringIterator& arguments);

    iastring join(iachar separator) const;
    const std::vector<iastring>& get() const { return m_arguments; }

    void setLogBook(ILogBook* logBook) { m_logBook = logBook; }
    ILogBook* getLogBook() const { return m_logBook; }

    // One argument as join writes it.
    static iastring quote(const iastring& argument, iachar separator);

private:
    void parseStringToVectorImpl(const iastring& argumentString, const iastring& separators);

    std::vector<iastring> m_arguments;
    ILogBook* m_logBook;
};
