// Ordinary files and their line-oriented text streams.
#pragma once

#include "synode.h"
#include "framework/iaiter.h"

class ISyFileStream;
typedef IaPtr<ISyFileStream> PSyFileStream;
typedef IIaPIterGeneric<iastring> ISyFileStreamIterator;
typedef IaPtr<ISyFileStreamIterator> PSyFileStreamIterator;

class ISyFile : public ISyNode
{
public:
    // A bit set.
    enum eFileOpenMode
    {
        READ = 0x1,
        WRITE = 0x2, // appends to the existing content
        TRUNCATE = 0x4,
        BINARY = 0x8
    };

    // The stream opens the file on its first use.
    virtual PSyFileStream openStream(eFileOpenMode mode) = 0;
    // The installer framework's version texts, from the version resource or from markers in the content.
    virtual void getQelVersion(iastring& file, iastring& product, iastring& platform, iastring& build) const = 0;
};
typedef IaPtr<ISyFile> PSyFile;

inline ISyFile::eFileOpenMode operator|(ISyFile::eFileOpenMode a, ISyFile::eFileOpenMode b)
{
    return static_cast<ISyFile::eFileOpenMode>(static_cast<int>(a) | static_cast<int>(b));
}

class ISyFileStream : public ISyGeneric
{
public:
    // The next line without its line end.
    virtual iastring getLine() = 0;
    // Writes a line end after text unless newline is false or text ends with one already.
    virtual void putLine(const iastring& text, bool newline) = 0;
    virtual bool fail() const = 0;
    // Only for streams opened with READ.
    virtual PSyFileStreamIterator getIterator() = 0;
    virtual bool eof() const = 0;
    virtual void clearError() = 0;
    // Closes and reopens the file at its start.
    virtual void rewind() = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual void open() = 0;
};

SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyFile::eFileOpenMode value);
