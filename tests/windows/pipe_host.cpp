// Starts a program with standard input on a Windows pipe (CreatePipe) and
// copies this process's own standard input into it, as a board that pipes
// keys to a door does. Under wine a pipe inherited from Linux is no pipe to
// PeekNamedPipe, so the end-to-end tests put this host in between.
// Usage: pipe_host program [arguments]; exits with the program's code.
#include <windows.h>

#include <string>

static HANDLE toChild;

// Until our input ends (the test closed it) or the program stopped reading.
static DWORD WINAPI copyInput(void*) {
    char buf[4096];
    DWORD got, put;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0 &&
           WriteFile(toChild, buf, got, &put, nullptr)) {
    }
    return CloseHandle(toChild);
}

int main(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; i++) line += "\"" + std::string(argv[i]) + "\" ";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    STARTUPINFOA start = {};
    PROCESS_INFORMATION child;
    if (argc < 2 || !CreatePipe(&start.hStdInput, &toChild, &inherit, 0)) return 2;
    SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    start.cb = sizeof start, start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE), start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child)) return 3;
    CloseHandle(start.hStdInput);
    CreateThread(nullptr, 0, copyInput, nullptr, 0, nullptr);  // ends with the process
    DWORD code = 1;
    WaitForSingleObject(child.hProcess, INFINITE);
    GetExitCodeProcess(child.hProcess, &code);
    return (int)code;
}
