// Files, their streams and the line iterator of a stream.
#pragma once

#include "syfile.h"
#include "synodeimpl.h"

#include <fstream>

namespace syslib
{
namespace filesystem
{
class CSyKeptAttributes;
class CSyTreeCopy;
} // namespace filesystem
} // namespace syslib

// A file version: the two double words of the fixed file information; (0, 0) means none.
struct CSyFileVersion
{
    unsigned long mostSignificant = 0;
    unsigned long leastSignificant = 0;

    bool isNone() const { return mostSignificant == 0 && leastSignificant == 0; }
    bool operator<(const CSyFileVersion& other) const
    {
        return mostSignificant != other.mostSignificant ? mostSignificant < other.mostSignificant
                                                        : leastSignificant < other.leastSignificant;
    }
    // "a.b.c.d"
    iastring toString() const;
};

class CSyFileImpl : public CSyNodeImpl
{
public:
    explicit CSyFileImpl(const CSyPath& path) : CSyNodeImpl(path, ISyNode::FILE) {}

    bool copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver* observer) override;
    // copy for a tree copy that has probed the target already (facts may be null); a plain copy goes to
    // the tree copy's workers when it has some (tree may be null).
    bool copyKnown(const CSyPath& target, ISyNode::CopyMoveMode_t mode, const CSyCopyFacts* facts,
                   syslib::filesystem::CSyTreeCopy* tree = nullptr);
    void remove() override;
    // remove for a tree removal (tree may be null: the file alone). In a tree, a file in use is registered
    // for deletion at the next restart under its own name, and counted.
    void removeFile(CSyTreeRemoval* tree);
    bool decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                              bool& existingTarget) override;

    virtual PSyFileStream openStream(ISyFile::eFileOpenMode mode);
    virtual void getQelVersion(iastring& file, iastring& product, iastring& platform, iastring& build) const;

    CSyFileVersion getFileVersion() const;

private:
    // The copy steps after the decision, one per way of copying. The plain one: CopyFileW, the times and
    // the attributes (through opening, an opening of the existing target, where it can).
    void copyDecided(const CSyPath& target, bool targetExists, syslib::filesystem::CSyNodeOpening& opening);
    // The source's times onto the copy, FILE_ATTRIBUTE_NORMAL, and "syslib.filesystem.copiedFile".
    void finishCopy(const CSyPath& target, syslib::filesystem::CSyNodeOpening& opening);
    bool copyWithSetupApi(const iastring& source, const iastring& target, ISyNode::CopyMoveMode_t mode);
    // Resets the attributes of an existing target, through opening where it can (the copy goes on with it);
    // kept receives what to put back.
    static void resetAttributes(const iastring& target, syslib::filesystem::CSyNodeOpening& opening,
                                syslib::filesystem::CSyKeptAttributes& kept);
    // False when file protection keeps the target.
    bool copyReplacingInUse(const iastring& source, const iastring& target, const CSyPath& targetPath);
    // True when the resource holds at least one of the four texts.
    bool readQelVersionResource(iastring texts[4]) const;
    void readQelVersionMarkers(iastring texts[4]) const;
};

class CSyFile : public CSyNodeHandle<ISyFile, CSyFileImpl>
{
public:
    explicit CSyFile(const CSyPath& path) : CSyNodeHandle(path) {}

    PSyFileStream openStream(eFileOpenMode mode) override { return SY_FORWARD(m_impl.openStream(mode)); }
    void getQelVersion(iastring& file, iastring& product, iastring& platform, iastring& build) const override
    {
        return SY_FORWARD(m_impl.getQelVersion(file, product, platform, build));
    }
};

class CSyFileStream;

class CSyFileStreamImpl : public CSyGenericImpl
{
public:
    // fileName: the neutral form, for the log; osName: the name the file is opened by.
    CSyFileStreamImpl(CSyFileStream* owner, const iastring& fileName, const iastring& osName,
                      ISyFile::eFileOpenMode mode)
        : m_owner(owner), m_fileName(fileName), m_osName(osName), m_mode(mode)
    {
    }

    iastring getLine();
    void putLine(const iastring& text, bool newline);
    bool fail() const { return m_stream.fail(); }
    PSyFileStreamIterator getIterator();
    bool eof() const { return m_stream.eof(); }
    void clearError() { m_stream.clear(); }
    void rewind();
    bool isOpen() const { return m_stream.is_open(); }
    void close();
    void open();

private:
    void checkMode(bool wantRead) const;

    CSyFileStream* m_owner;
    iastring m_fileName;
    iastring m_osName;
    ISyFile::eFileOpenMode m_mode;
    std::wfstream m_stream;
};

class CSyFileStream : public CSyHandle<ISyFileStream, CSyFileStreamImpl>
{
public:
    CSyFileStream(const CSyPath& file, ISyFile::eFileOpenMode mode)
        : CSyHandle(this, file.toString(), file.toOSString(), mode)
    {
    }

    iastring getLine() override { return SY_FORWARD(m_impl.getLine()); }
    void putLine(const iastring& text, bool newline) override { return SY_FORWARD(m_impl.putLine(text, newline)); }
    bool fail() const override { return SY_FORWARD(m_impl.fail()); }
    PSyFileStreamIterator getIterator() override { return SY_FORWARD(m_impl.getIterator()); }
    bool eof() const override { return SY_FORWARD(m_impl.eof()); }
    void clearError() override { return SY_FORWARD(m_impl.clearError()); }
    void rewind() override { return SY_FORWARD(m_impl.rewind()); }
    bool isOpen() const override { return SY_FORWARD(m_impl.isOpen()); }
    void close() override { return SY_FORWARD(m_impl.close()); }
    void open() override { return SY_FORWARD(m_impl.open()); }
};

class CSyFileStreamIteratorImpl : public CSyGenericImpl
{
public:
    explicit CSyFileStreamIteratorImpl(const PSyFileStream& stream) : m_stream(stream) {}

    void first();
    void next();
    bool isDone() const { return m_done; }
    iastring get() const;

private:
    void read();

    PSyFileStream m_stream;
    iastring m_line;
    bool m_done = true;
};

class CSyFileStreamIterator : public CSyCountedHandle<ISyFileStreamIterator, CSyFileStreamIteratorImpl>
{
public:
    explicit CSyFileStreamIterator(const PSyFileStream& stream) : CSyCountedHandle(stream) {}

    void first() override { return SY_FORWARD(m_impl.first()); }
    void next() override { return SY_FORWARD(m_impl.next()); }
    bool isDone() const override { return SY_FORWARD(m_impl.isDone()); }
    iastring get() const override { return SY_FORWARD(m_impl.get()); }
};
