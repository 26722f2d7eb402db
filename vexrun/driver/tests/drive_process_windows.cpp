// The test process runner on Windows: CreateProcessW with three anonymous
// pipes, each pipe served by a thread of its own (anonymous pipes have no
// overlapped reads), the whole run bounded by one deadline after which the
// child is terminated. Bytes pass through untouched: nothing here is text
// mode.
#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "vexrun/driver/tests/drive_process.h"
#include "vexrun/kernel/core/platform.h"

namespace drive::testing {

namespace {

using vexrun::platform::commandLine;

std::wstring wide(const std::string& utf8) { return vexrun::platform::wideText(utf8); }

// Environment names compare without regard to case on Windows.
std::wstring upperName(const std::wstring& entry) {
    // Entries such as "=C:=C:\dir" start with '='; their name runs to the second.
    const size_t eq = entry.find(L'=', 1);
    std::wstring name = entry.substr(0, eq);
    for (wchar_t& c : name) c = wchar_t(std::towupper(c));
    return name;
}

// The inherited environment with the extra entries put in, sorted by name
// as CreateProcessW expects, as one double-NUL-terminated block.
std::wstring environmentBlock(const std::vector<std::string>& extra) {
    std::vector<std::wstring> entries;
    for (const std::string& e : extra) entries.push_back(wide(e));
    if (wchar_t* inherited = GetEnvironmentStringsW()) {
        for (const wchar_t* p = inherited; *p; p += wcslen(p) + 1) {
            const std::wstring entry = p;
            const std::wstring name = upperName(entry);
            const bool replaced = std::any_of(entries.begin(), entries.begin() + ptrdiff_t(extra.size()),
                                              [&](const std::wstring& e) { return upperName(e) == name; });
            if (!replaced) entries.push_back(entry);
        }
        FreeEnvironmentStringsW(inherited);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) { return upperName(a) < upperName(b); });
    std::wstring block;
    for (const std::wstring& e : entries) block += e + L'\0';
    return block + L'\0';
}

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

double secondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// What a pipe thread works on.
struct PipeJob {
    HANDLE pipe = nullptr;
    std::string bytes;             // read, or to write
    LARGE_INTEGER lastRead{};      // when the last bytes came
    bool gotAny = false;
};

DWORD WINAPI readAll(void* param) {
    auto* job = static_cast<PipeJob*>(param);
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(job->pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
        job->bytes.append(buf, n);
        job->lastRead = now();
        job->gotAny = true;
    }
    return 0;
}

DWORD WINAPI writeAll(void* param) {
    auto* job = static_cast<PipeJob*>(param);
    size_t written = 0;
    while (written < job->bytes.size()) {
        const DWORD chunk = DWORD(std::min<size_t>(job->bytes.size() - written, 1 << 20));
        DWORD n = 0;
        if (!WriteFile(job->pipe, job->bytes.data() + written, chunk, &n, nullptr) || n == 0) break;
        written += n;
    }
    CloseHandle(job->pipe);  // the end of the input
    return 0;
}

// A pipe with the end the child uses inheritable and the other end not.
bool makePipe(HANDLE& readEnd, HANDLE& writeEnd, bool childReads) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
    SetHandleInformation(childReads ? writeEnd : readEnd, HANDLE_FLAG_INHERIT, 0);
    return true;
}

}  // namespace

unsigned long processId() { return GetCurrentProcessId(); }

DriveResult runProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                       const std::vector<std::string>& env, double timeoutSeconds) {
    DriveResult r;
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!makePipe(inRead, inWrite, true) || !makePipe(outRead, outWrite, false) || !makePipe(errRead, errWrite, false)) {
        for (HANDLE h : {inRead, inWrite, outRead, outWrite, errRead, errWrite}) {
            if (h) CloseHandle(h);
        }
        r.err = "cannot make pipes for " + program;
        return r;
    }

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::wstring line = commandLine(all);
    std::wstring environment = environmentBlock(env);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    const LARGE_INTEGER start = now();
    const BOOL created = CreateProcessW(wide(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &si, &pi);
    const DWORD createError = GetLastError();
    // Only the child holds its ends now, so that each pipe ends with it.
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!created) {
        CloseHandle(inWrite);
        CloseHandle(outRead);
        CloseHandle(errRead);
        r.err = "cannot start " + program + " (error " + std::to_string(createError) + ")";
        return r;
    }
    CloseHandle(pi.hThread);
    r.started = true;

    // On the heap: a thread that cannot be stopped keeps its job (see below).
    auto* in = new PipeJob{inWrite, input, {}, false};
    auto* out = new PipeJob{outRead, {}, {}, false};
    auto* err = new PipeJob{errRead, {}, {}, false};
    HANDLE threads[3] = {CreateThread(nullptr, 0, readAll, out, 0, nullptr),
                         CreateThread(nullptr, 0, readAll, err, 0, nullptr),
                         CreateThread(nullptr, 0, writeAll, in, 0, nullptr)};
    if (!threads[2]) CloseHandle(inWrite);

    // Done when the child has exited and both its outputs have ended.
    HANDLE waitFor[3] = {pi.hProcess, threads[0], threads[1]};
    const DWORD timeoutMs = DWORD(std::max(0.0, timeoutSeconds) * 1000);
    if (!threads[0] || !threads[1] || WaitForMultipleObjects(3, waitFor, TRUE, timeoutMs) != WAIT_OBJECT_0) {
        if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
            r.timedOut = true;
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
        }
    }
    // A pipe that some other process still holds open must not hold this
    // one up: its blocked read or write is cancelled.
    bool ended[3] = {true, true, true};
    for (int i = 0; i < 3; ++i) {
        if (threads[i] && WaitForSingleObject(threads[i], 5000) != WAIT_OBJECT_0) {
            CancelSynchronousIo(threads[i]);
            ended[i] = WaitForSingleObject(threads[i], 5000) == WAIT_OBJECT_0;
        }
    }
    r.seconds = secondsBetween(start, now());
    DWORD code = 0;
    if (!r.timedOut && GetExitCodeProcess(pi.hProcess, &code)) r.status = int(code);
    CloseHandle(pi.hProcess);
    for (HANDLE t : threads) {
        if (t) CloseHandle(t);
    }
    if (ended[0]) {
        r.out = std::move(out->bytes);
        if (out->gotAny) r.lastOutputSeconds = secondsBetween(start, out->lastRead);
    }
    if (ended[1]) r.err = std::move(err->bytes);
    if (!ended[0] || !ended[1]) r.err += "\n(an output of " + program + " stayed open after it ended; not read)\n";
    // A job whose thread is still blocked stays allocated, its pipe open.
    PipeJob* jobs[3] = {out, err, in};
    for (int i = 0; i < 3; ++i) {
        if (!ended[i]) continue;
        if (i < 2) CloseHandle(jobs[i]->pipe);
        delete jobs[i];
    }
    return r;
}

}  // namespace drive::testing
