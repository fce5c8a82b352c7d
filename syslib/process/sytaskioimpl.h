#pragma once

#include "sytaskio.h"

#include <cwchar>
#include <string>
#include <vector>

class CSyTaskIOImpl : public CSyGenericImpl
{
public:
    CSyTaskIOImpl();
    ~CSyTaskIOImpl() override;
    CSyTaskIOImpl(const CSyTaskIOImpl&) = delete;
    CSyTaskIOImpl& operator=(const CSyTaskIOImpl&) = delete;

    iastring getLine();
    void putLine(const iastring& text);
    bool isEof() const;
    void close();
    iachar getChar();
    void put(iachar c);

    // For the child application: descriptors of _open_osfhandle(_O_TEXT | _O_APPEND), owned from here
    // on. A previous descriptor of the same direction is closed first.
    void attachReading(int descriptor);
    void attachWriting(int descriptor);

private:
    // Next byte of the reading descriptor; false at the end of the pipe or on a read error.
    bool readByte(char& byte);
    void write(const std::string& bytes, const wchar_t* exceptionText);

    int m_readDescriptor;
    std::mbstate_t m_state;
    int m_writeDescriptor;
    bool m_eof;
    // Read ahead of getChar: one _read for every byte would cost a system call a character.
    std::vector<char> m_readAhead;
    std::size_t m_readPosition;
    std::size_t m_readEnd;
};

class CSyTaskIO : public CSyHandle<ISyTaskIO, CSyTaskIOImpl>
{
public:
    iastring getLine() override { return SY_FORWARD(m_impl.getLine()); }
    void putLine(const iastring& text) override { return SY_FORWARD(m_impl.putLine(text)); }
    bool isEof() const override { return SY_FORWARD(m_impl.isEof()); }
    void close() override { return SY_FORWARD(m_impl.close()); }
    iachar getChar() override { return SY_FORWARD(m_impl.getChar()); }
    void put(iachar c) override { return SY_FORWARD(m_impl.put(c)); }
};
