#include "syslib/process/sytaskioimpl.h"
#include "syslib/process/syprocessmgtimpl.h"
#include "framework/iastrutil.h"
#include "tests/support/expectthrow.h"
#include "tests/support/testchild.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace
{
// The descriptor a child application hands over: the runtime translates line ends on it.
int descriptorOf(syslib::CSyKernelHandle& handle)
{
    return ::_open_osfhandle(reinterpret_cast<intptr_t>(handle.detach()), _O_TEXT | _O_APPEND);
}

// A stream that reads the given bytes, in the given code page, and then the end of the pipe.
struct CReadingStream
{
    explicit CReadingStream(const std::string& bytes, UINT codePage = CP_ACP)
    {
        stream.setCodePage(codePage);
        CTestPipe pipe = makeChildOutputPipe();
        DWORD written = 0;
        EXPECT_TRUE(::WriteFile(pipe.write.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        pipe.write.reset();
        stream.attachReading(descriptorOf(pipe.read));
    }
    CSyTaskIOImpl stream;
};

// Writes its arguments, each a run of hexadecimal byte pairs, as raw bytes to standard output, with a
// pause between them so that the reader gets them in separate reads.
int writeBytes(const std::vector<iastring>& chunks)
{
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    for (const iastring& chunk : chunks)
    {
        std::string bytes;
        for (std::size_t i = 0; i + 2 <= chunk.size(); i += 2)
            bytes += static_cast<char>(std::stoi(chunk.substr(i, 2), nullptr, 16));
        if (bytes.empty() && chunk == L"x")
            bytes.assign(70000, 'x'); // more than a pipe holds
        DWORD written = 0;
        if (!::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            return 1;
        ::Sleep(50);
    }
    return 0;
}
const CTestChildRegistration writeBytesChild(L"write-bytes", writeBytes);

// Copies standard input to standard output byte for byte, once the input has ended: a writer that does
// not read the copy meanwhile cannot block it.
int copyInput(const std::vector<iastring>&)
{
    std::string input;
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &count, nullptr) && count > 0)
        input.append(buffer, count);
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), input.data(), static_cast<DWORD>(input.size()), &written,
                       nullptr) ? 0 : 1;
}
const CTestChildRegistration copyInputChild(L"copy-input", copyInput);

std::string hexBytes(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes)
    {
        hex += digits[(static_cast<unsigned char>(byte) >> 4) & 0xf];
        hex += digits[static_cast<unsigned char>(byte) & 0xf];
    }
    return hex;
}

// A stream reading from a child that writes the chunks; the child is waited for on destruction.
struct CChildOutputStream
{
    explicit CChildOutputStream(const std::vector<std::string>& chunks, UINT codePage = CP_ACP)
    {
        stream.setCodePage(codePage);
        iastring argumentText;
        for (const std::string& chunk : chunks)
            argumentText += (chunk == "x" ? iastring(L"x") : toIastring(hexBytes(chunk))) + L" ";
        CTestPipe pipe = makeChildOutputPipe();
        child = startTestChild(L"write-bytes", argumentText, nullptr, pipe.write.get());
        pipe.write.reset();
        stream.attachReading(descriptorOf(pipe.read));
    }
    ~CChildOutputStream()
    {
        stream.close();
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.get(), 60000));
    }
    syslib::CSyKernelHandle child;
    CSyTaskIOImpl stream;
};

} // namespace

TEST(TaskIOTest, ReadsLinesWithTheirLineEndsTranslated)
{
    CRecordingLogBook book;
    CReadingStream input("abc\r\nd");
    EXPECT_EQ(L"abc", input.stream.getLine());
    EXPECT_TRUE(book.hasTrace(L"Got line 'abc'"));
    EXPECT_FALSE(input.stream.isEof());
    EXPECT_EQ(L"d", input.stream.getLine());
    EXPECT_TRUE(input.stream.isEof());
    EXPECT_EQ(L"", input.stream.getLine());
    EXPECT_EQ(L' ', input.stream.getChar());
    EXPECT_TRUE(input.stream.isEof());
}

TEST(TaskIOTest, AnEmptyPipeGivesAnEmptyLineAndTheEnd)
{
    CReadingStream input("");
    EXPECT_EQ(L"", input.stream.getLine());
    EXPECT_TRUE(input.stream.isEof());

    CReadingStream emptyLines("\n\r\n");
    EXPECT_EQ(L"", emptyLines.stream.getLine());
    EXPECT_EQ(L"", emptyLines.stream.getLine());
    EXPECT_FALSE(emptyLines.stream.isEof());
    EXPECT_EQ(L"", emptyLines.stream.getLine());
    EXPECT_TRUE(emptyLines.stream.isEof());
}

TEST(TaskIOTest, AssemblesLinesFromSeparateWritesOfAChild)
{
    // A line end split between its carriage return and line feed, a line longer than a pipe holds, and
    // a last line without a line end.
    CChildOutputStream child({"first par", "t\r", "\n", "x", "x", "\r\nlast"});
    EXPECT_EQ(L"first part", child.stream.getLine());
    const iastring longLine = child.stream.getLine();
    EXPECT_EQ(140000u, longLine.size());
    EXPECT_EQ(iastring::npos, longLine.find_first_not_of(L'x'));
    EXPECT_EQ(L"last", child.stream.getLine());
    EXPECT_TRUE(child.stream.isEof());
}

TEST(TaskIOTest, ReadsTheCodePageTheLibraryWrites)
{
    // The euro sign, the dashes and the quotes are bytes of cp1252 that are not their own code points.
    const iastring text = L"Gr\u00fc\u00dfe \u20ac 5 \u2013 \u2014 \u201equoted\u201c \u2018one\u2019";
    ASSERT_EQ(text, toIastring(toMbstring(text))) << "the ANSI code page of this machine carries them";
    CReadingStream input(toMbstring(text) + "\r\n");
    EXPECT_EQ(text, input.stream.getLine());
}

TEST(TaskIOTest, AssemblesACharacterWhoseBytesArriveInSeparateReads)
{
    // Shift-JIS: a lead byte in one read, its trail byte in the next.
    CChildOutputStream shiftJis({"a\x82", "\xa0\x93", "\xfa\n"}, 932);
    EXPECT_EQ(L'a', shiftJis.stream.getChar());
    EXPECT_EQ(L'\u3042', shiftJis.stream.getChar());
    EXPECT_EQ(L"\u65e5", shiftJis.stream.getLine());
    EXPECT_EQ(L"", shiftJis.stream.getLine());
    EXPECT_TRUE(shiftJis.stream.isEof());

    // UTF-8, a character beyond the basic plane among them: its two units come one getChar after the other.
    CChildOutputStream utf8({"\xe2\x82", "\xac\xf0\x9f", "\x98", "\x80x\r", "\n"}, CP_UTF8);
    EXPECT_EQ(L"\u20ac\U0001F600x", utf8.stream.getLine());
    EXPECT_EQ(L"", utf8.stream.getLine());
    EXPECT_TRUE(utf8.stream.isEof());

    // The first and last lead byte of each sequence length, each split from the rest.
    CChildOutputStream leads({"\xc2", "\xa3\xdf", "\xbf\xe0\xa0", "\x80\xef\xbf", "\xbd\xf0", "\x90\x80\x80\xf4",
                              "\x80\x80\x80\n"},
                             CP_UTF8);
    EXPECT_EQ(L"\u00a3\u07ff\u0800\ufffd\U00010000\U00100000", leads.stream.getLine());
}

TEST(TaskIOTest, BytesThatAreNoCharacterAreAnInputError)
{
    CRecordingLogBook book;
    const struct
    {
        const char* bytes;
        UINT codePage;
    } cases[] = {{"ok\xa0\n", 932},          // no character of Shift-JIS
                 {"ok\x82\n", 932},          // a lead byte without its trail byte
                 {"ok\xff\n", CP_UTF8},      // no UTF-8 sequence starts so
                 {"ok\xe2\x82" "A", CP_UTF8}}; // a sequence cut off by another character
    for (const auto& c : cases)
    {
        book.clear();
        CReadingStream input(c.bytes, c.codePage);
        EXPECT_EQ(L'o', input.stream.getChar());
        EXPECT_EQ(L'k', input.stream.getChar());
        try
        {
            input.stream.getChar();
            ADD_FAILURE() << "no exception for " << hexBytes(c.bytes);
        }
        catch (const ESyInputError& error)
        {
            EXPECT_EQ(L"basic_pipebuf::getChar: codecvt facette::in could not convert character.", error.getText());
            EXPECT_EQ(ESyException::SPECIFIC_CODE, error.getErrorType());
        }
        EXPECT_FALSE(input.stream.isEof()) << hexBytes(c.bytes);
        EXPECT_TRUE(book.messages().empty());
        bool traced = false;
        for (const iastring& trace : book.traces())
            traced |= trace.find(L"Syslib control flow info: Exception at line ") == 0 &&
                      trace.find(L" in file syxxctaskio. ") != iastring::npos;
        EXPECT_TRUE(traced) << hexBytes(c.bytes);
    }
}

TEST(TaskIOTest, WritesLinesInTheCodePageWithWindowsLineEnds)
{
    CRecordingLogBook book;
    CTestPipe toChild = makeChildInputPipe();
    CTestPipe fromChild = makeChildOutputPipe();
    const syslib::CSyKernelHandle child =
        startTestChild(L"copy-input", L"", toChild.read.get(), fromChild.write.get());
    toChild.read.reset();
    fromChild.write.reset();
    {
        CSyTaskIOImpl output;
        output.attachWriting(descriptorOf(toChild.write));
        output.putLine(L"Gr\u00fc\u00dfe");
        EXPECT_TRUE(ranFunction(book, L"CSyTaskIOImpl::putLine(Gr\u00fc\u00dfe)"));
        output.putLine(L"");
        output.put(L'x');
        output.putLine(iastring(70000, L'y'));
        output.close();
    }
    std::string copied;
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(fromChild.read.get(), buffer, sizeof(buffer), &count, nullptr) && count > 0)
        copied.append(buffer, count);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.get(), 60000));
    EXPECT_EQ(toMbstring(L"Gr\u00fc\u00dfe") + "\r\n\r\nx" + std::string(70000, 'y') + "\r\n", copied);
}

TEST(TaskIOTest, AWriteTheReaderNoLongerTakesIsAnOutputError)
{
    CRecordingLogBook book;
    CTestPipe pipe = makeChildInputPipe();
    CSyTaskIOImpl output;
    output.attachWriting(descriptorOf(pipe.write));
    pipe.read.reset();
    const ESyOutputError error = expectLoggedThrow<ESyOutputError>(
        book, [&] { output.putLine(L"nobody reads this"); }, L"syslib.process.taskIO.couldNotWriteToPipe", {});
    EXPECT_EQ(ESyException::C_ERRNO, error.getErrorType());
    EXPECT_NE(0, error.getCode());
    const iastring prefix = L"CSyTaskIOImpl::put: Could not write to pipe. ";
    EXPECT_EQ(prefix, error.getText().substr(0, prefix.size()));
    EXPECT_GT(error.getText().size(), prefix.size());

    // Nothing attached: the same failure, not a crash.
    CSyTaskIOImpl unattached;
    const ESyOutputError none = expectLoggedThrow<ESyOutputError>(
        book, [&] { unattached.put(L'x'); }, L"syslib.process.taskIO.couldNotWriteToPipe", {});
    EXPECT_EQ(EBADF, none.getCode());
}

TEST(TaskIOTest, CloseEndsBothDirectionsOnce)
{
    CRecordingLogBook book;
    CReadingStream input("not read\n");
    CTestPipe pipe = makeChildInputPipe();
    input.stream.attachWriting(descriptorOf(pipe.write));
    input.stream.close();
    input.stream.close();
    // The writer's end is really closed: the reader finds the end of the pipe.
    char byte = 0;
    DWORD count = 0;
    EXPECT_FALSE(::ReadFile(pipe.read.get(), &byte, 1, &count, nullptr));
    EXPECT_THROW(input.stream.put(L'x'), ESyOutputError);
    EXPECT_EQ(L"", input.stream.getLine());
    EXPECT_TRUE(input.stream.isEof());
}

TEST(TaskIOTest, AFailingCloseIsReportedForItsDirection)
{
    CRecordingLogBook book;
    const iastring reason = toIastring(std::string(std::strerror(EBADF)));
    // Descriptor numbers that were never opened: closing them fails.
    CSyTaskIOImpl reading;
    reading.attachReading(1999);
    const ESyInputError input = expectLoggedThrow<ESyInputError>(
        book, [&] { reading.close(); }, L"syslib.process.taskIO.couldNotClosePipe", {reason});
    EXPECT_EQ(L"Could not close pipe. " + reason, input.getText());
    EXPECT_EQ(EBADF, input.getCode());
    reading.attachReading(-1);

    CSyTaskIOImpl writing;
    writing.attachWriting(1998);
    expectLoggedThrow<ESyOutputError>(book, [&] { writing.close(); }, L"syslib.process.taskIO.couldNotClosePipe",
                                      {reason});
    writing.attachWriting(-1);
}

TEST(TaskIOTest, AttachingANewPipeStartsReadingAfresh)
{
    CReadingStream input("first");
    EXPECT_EQ(L"first", input.stream.getLine());
    EXPECT_TRUE(input.stream.isEof());
    CTestPipe pipe = makeChildOutputPipe();
    DWORD written = 0;
    ::WriteFile(pipe.write.get(), "second\n", 7, &written, nullptr);
    pipe.write.reset();
    input.stream.attachReading(descriptorOf(pipe.read));
    EXPECT_FALSE(input.stream.isEof());
    EXPECT_EQ(L"second", input.stream.getLine());
}

TEST(TaskIOTest, TheManagerHandsOutUnattachedStreams)
{
    CRecordingLogBook book;
    CSyProcessMgt manager;
    const PSyTaskIO first = manager.createTaskIO();
    const PSyTaskIO second = manager.createTaskIO();
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(ranFunction(book, L"CSyProcessMgtImpl::createTaskIO()"));
    EXPECT_FALSE(first->isEof());
    EXPECT_EQ(L"", first->getLine());
    EXPECT_TRUE(first->isEof());
    EXPECT_FALSE(second->isEof());
    EXPECT_THROW(second->putLine(L"x"), ESyOutputError);
    first->close();
}
