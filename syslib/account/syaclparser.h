// The parser of the access-rights expression language and its syntax errors.
#pragma once

#include "syslib/common/syexcept.h"

namespace SyAclStrings
{
class CSySecurityParser
{
public:
    class ESecuritySyntaxError : public ESySecurityDescError
    {
    public:
        explicit ESecuritySyntaxError(const iastring& text) : ESySecurityDescError(text) {}
    };
    class EBadOperation : public ESecuritySyntaxError
    {
    public:
        explicit EBadOperation(const iastring& text) : ESecuritySyntaxError(text) {}
    };
    class EMissingComma : public ESecuritySyntaxError
    {
    public:
        explicit EMissingComma(const iastring& text) : ESecuritySyntaxError(text) {}
    };
    class EMissingLeftBrace : public ESecuritySyntaxError
    {
    public:
        explicit EMissingLeftBrace(const iastring& text) : ESecuritySyntaxError(text) {}
    };
    class EMissingRightBrace : public ESecuritySyntaxError
    {
    public:
        explicit EMissingRightBrace(const iastring& text) : ESecuritySyntaxError(text) {}
    };
};
} // namespace SyAclStrings
