// The installer's end of a pipe to a child application: text written to its standard input, or read,
// character by character or line by line, from its standard output and standard error.
#pragma once

#include "syslib/common/sygeneric.h"
#include "framework/iastring.h"

class ISyStream : public ISyGeneric
{
public:
    // The next line without its line end; at the end of input, what was read so far (maybe nothing).
    virtual iastring getLine() = 0;
    // Writes text and a line end. Throws ESyOutputError when the pipe takes fewer bytes than given.
    virtual void putLine(const iastring& text) = 0;
    // True once a read found the end of input.
    virtual bool isEof() const = 0;
    // Closing the writing end is how the child learns that its input has ended.
    virtual void close() = 0;
    // The next character; a blank at the end of input (see isEof). Throws ESyInputError for bytes
    // that are no character of the code page.
    virtual iachar getChar() = 0;
    virtual void put(iachar c) = 0;
};

class ISyTaskIO : public ISyStream
{
};
typedef IaPtr<ISyTaskIO> PSyTaskIO;
