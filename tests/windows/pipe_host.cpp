// Starts a program with standard input on a Windows pipe (CreatePipe) and
// copies this process's own standard input into it, as a board that pipes
// keys to a door does. Under wine a pipe inherited from Linux is no pipe to
// PeekNamedPipe, so the end-to-end tests put this host in between.
// Usage: pipe_host program [arguments]; exits with the program's code.
#include <windows.h>

#include <string>

static HANDLE writeEnd;

// Until our input ends (the test closed it) or the door stopped reading.
static DWORD WINAPI copyInput(void*) {
    char buf[4096];
    DWORD got, put;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0)
        if (!WriteFile(writeEnd, buf, got, &put, nullptr)) break;
    CloseHandle(writeEnd);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string line = "\"" + std::string(argv[1]) + "\"";
    for (int i = 2; i < argc; i++) line += " \"" + std::string(argv[i]) + "\"";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 3;
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = readEnd;
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child)) return 4;
    CloseHandle(readEnd);
    CreateThread(nullptr, 0, copyInput, nullptr, 0, nullptr);  // ends with the process
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    return (int)code;
}
