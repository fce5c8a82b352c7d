// The parser of the access-rights expression language and its syntax errors.
//
// An expression is a sequence of entries "(account, type, op rights ! denied, flags)"; see
// CSySecurityParser for the grammar as the parser reads it.
#pragma once

#include "syslib/common/syexcept.h"

#include <initializer_list>
#include <istream>
#include <vector>

namespace SyAclStrings
{
// Splits the input into tokens: the characters "(),+-=|!rwxsztog" stand alone, a run of white
// space is one SPACE token, any other run of characters is one WORD token.
class CSySecurityScanner
{
public:
    // Single-character tokens have the character as their type; these never collide with one.
    enum eTokenType
    {
        END = -1,
        SPACE = -2,
        WORD = -3
    };

    // Reads the first token at once; input must outlive the scanner.
    explicit CSySecurityScanner(std::wistream& input);

    void next();
    int getType() const { return m_type; }
    const iastring& getText() const { return m_text; }
    // The number of characters read when the current token was complete.
    int getPosition() const { return m_position; }

    static bool isSpace(wchar_t c);
    static bool isSingleCharacterToken(wchar_t c);

private:
    // The next character without taking it; false at the end of the input.
    bool peekCharacter(wchar_t& c);

    std::wistream& m_input;
    int m_type;
    iastring m_text;
    int m_position;
};

// One set of rights: letters in the order written plus special rights (Windows constant names or
// hexadecimal numbers, upper case), each special right once, in the order first seen.
class CSyRightsExpression
{
public:
    const iastring& getLetters() const { return m_letters; }
    const std::vector<iastring>& getSpecialRights() const { return m_specialRights; }
    void appendLetters(const iastring& letters) { m_letters += letters; }
    // Empty names and repeats add nothing.
    void addSpecialRight(const iastring& name);
    bool isEmpty() const { return m_letters.empty() && m_specialRights.empty(); }

    // "rw | READ_CONTROL | 0x40"
    iastring toString() const;

    bool operator==(const CSyRightsExpression& other) const
    {
        return m_letters == other.m_letters && m_specialRights == other.m_specialRights;
    }
    bool operator!=(const CSyRightsExpression& other) const { return !(*this == other); }

private:
    iastring m_letters;
    std::vector<iastring> m_specialRights;
};

class CSyACEExpression;
typedef std::vector<CSyACEExpression> CSyACEExpressionList;

class CSySecurityParser
{
public:
    class ESecuritySyntaxError : public ESySecurityDescError
    {
    public:
        ESecuritySyntaxError(int position, const iastring& token)
            : ESySecurityDescError(L"Security syntax error in ACL expression near " + token),
              m_position(position),
              m_token(token)
        {
        }
        int getPosition() const { return m_position; }
        const iastring& getToken() const { return m_token; }

    private:
        int m_position;
        iastring m_token;
    };
    class EBadOperation : public ESecuritySyntaxError
    {
    public:
        EBadOperation(int position, const iastring& token) : ESecuritySyntaxError(position, token) {}
    };
    class EMissingComma : public ESecuritySyntaxError
    {
    public:
        EMissingComma(int position, const iastring& token) : ESecuritySyntaxError(position, token) {}
    };
    class EMissingLeftBrace : public ESecuritySyntaxError
    {
    public:
        EMissingLeftBrace(int position, const iastring& token) : ESecuritySyntaxError(position, token) {}
    };
    class EMissingRightBrace : public ESecuritySyntaxError
    {
    public:
        EMissingRightBrace(int position, const iastring& token) : ESecuritySyntaxError(position, token) {}
    };

    enum eAccountType
    {
        ACC_UNDEFINED = 0,
        NONE = 1,
        USER = 2,
        GROUP = 3
    };
    enum eOperation
    {
        OP_UNDEFINED = 0,
        OP_ADD = 1,
        OP_REMOVE = 2,
        OP_SET = 3
    };

    // Takes the compatibility level of the library at construction; input must outlive the parser.
    explicit CSySecurityParser(std::wistream& input);

    // All entries of the input, in input order.
    CSyACEExpressionList readAclExpression();
    // The rights part of one entry: allowed rights, then "!" and the denied rights.
    void readRights(CSyACEExpression& ace);

private:
    CSyACEExpression readAceExpression();
    void readRightsSet(CSyRightsExpression& rights);
    // Reads "word | word | …" up to one of the stop tokens or END: trimmed, upper case, each once.
    std::vector<iastring> readWordList(std::initializer_list<int> stops);
    // Concatenates token texts up to one of the stop tokens or END.
    iastring readText(std::initializer_list<int> stops);
    void skipSpaces();
    bool is(int type) const { return m_scanner.getType() == type; }
    bool isOneOf(std::initializer_list<int> types) const;
    template <class E>
    [[noreturn]] void fail(int line);

    CSySecurityScanner m_scanner;
    bool m_oldBehaviour;
};

// "USER", "GROUP", "ACC_UNDEFINED"; anything else "NONE".
iastring toString(CSySecurityParser::eAccountType type);
// "+", "-", "="; anything else "OP_UNDEFINED".
iastring toString(CSySecurityParser::eOperation operation);

class CSyACEExpression
{
public:
    CSyACEExpression()
        : m_accountType(CSySecurityParser::ACC_UNDEFINED), m_operation(CSySecurityParser::OP_UNDEFINED)
    {
    }

    iastring m_account;
    CSySecurityParser::eAccountType m_accountType;
    CSySecurityParser::eOperation m_operation;
    CSyRightsExpression m_allowed;
    CSyRightsExpression m_denied;
    // Upper case, each once, in the order first seen.
    std::vector<iastring> m_inheritanceFlags;

    // "(account, TYPE, +allowed!denied, FLAG | FLAG)"
    iastring toString() const;

    bool operator==(const CSyACEExpression& other) const;
    bool operator!=(const CSyACEExpression& other) const { return !(*this == other); }
};

// The entries' text forms one after the other, as an expression that reads back the same.
iastring toString(const CSyACEExpressionList& aces);

// Parses a whole expression held in a string.
CSyACEExpressionList parseAclExpression(const iastring& expression);
} // namespace SyAclStrings
