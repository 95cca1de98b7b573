// The Windows pellwick-ir.exe decodes a code given line by line (CR LF) on
// its standard input. (A learn of a code pointed at the device by protocol
// and parameters is in the Code menu's tests.)
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"

using namespace e2e;

namespace {

// Runs a console program with `input` on its standard input; its standard
// output and error go to *output. Returns its exit code.
DWORD runWithInput(const std::string& commandLine, const std::string& input, std::string* output)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0))
        return 0xFFFFFFFF;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = si.hStdError = outWrite;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &si, &pi);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    DWORD code = 0xFFFFFFFF, done = 0;
    if (started) {
        WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &done, nullptr);
        CloseHandle(inWrite);
        char buffer[4096];
        while (ReadFile(outRead, buffer, sizeof buffer, &done, nullptr) && done > 0)
            output->append(buffer, done);
        WaitForSingleObject(pi.hProcess, 30000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    } else {
        CloseHandle(inWrite);
    }
    CloseHandle(outRead);
    return code;
}

std::string withoutCr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

}  // namespace

TEST(ProtocolCodes, ConsoleToolDecodesCrLfLinesFromStandardInput)
{
    std::string code = NEC1_CODE;
    for (size_t at : {99, 199, 299})
        code[at] = '\n';
    std::string lines;
    for (char c : code + "\n")
        lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string tool = "\"" + binDir() + "pellwick-ir.exe\" decode", output;
    EXPECT_EQ(0u, runWithInput(tool, lines, &output));
    EXPECT_EQ("NEC1 D=12 S=34 F=56\n", withoutCr(output));

    output.clear();
    EXPECT_EQ(2u, runWithInput(tool, "0000 006C 0022\r\n", &output));
    EXPECT_NE(std::string::npos, output.find("only 3 words")) << output;
}
