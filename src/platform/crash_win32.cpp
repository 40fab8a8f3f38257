// Crash reports on Windows: an unhandled exception filter and an abort handler write the fault,
// the version, the call stack and the loaded modules to the report file, then the process ends.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/crash.h"

namespace lpc::platform {

namespace {

char g_report_path[MAX_PATH * 4];
char g_version[512];

void CopyText(char* dst, size_t size, const std::string& src) {
  const size_t n = src.size() < size - 1 ? src.size() : size - 1;
  memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

// "module.dll+0x1234" for a code address, or the bare address outside any module.
void DescribeAddress(DWORD64 address, char* out, size_t size) {
  HMODULE module = nullptr;
  char path[MAX_PATH] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(address), &module) &&
      GetModuleFileNameA(module, path, sizeof path)) {
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    snprintf(out, size, "%s+0x%llx", name,
             static_cast<unsigned long long>(address - reinterpret_cast<DWORD64>(module)));
  } else {
    snprintf(out, size, "0x%llx", static_cast<unsigned long long>(address));
  }
}

const char* ExceptionName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "floating-point division by zero";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_IN_PAGE_ERROR: return "page error";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    default: return "exception";
  }
}

class ReportFile {
 public:
  ReportFile() {
    // A fresh file, never through a link planted under the report's name: what stands there
    // goes (a link itself, not its target), and one planted in between makes the create fail.
    DeleteFileA(g_report_path);
    file_ = CreateFileA(g_report_path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  }
  ~ReportFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  bool ok() const { return file_ != INVALID_HANDLE_VALUE; }
  void Write(const char* text) {
    DWORD written = 0;
    if (ok()) WriteFile(file_, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  }

 private:
  HANDLE file_;
};

void WriteModules(ReportFile& report) {
  report.Write("Modules:\r\n");
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  char line[MAX_PATH + 64];
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    snprintf(line, sizeof line, "  0x%llx %s\r\n",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(entry.modBaseAddr)),
             entry.szExePath);
    report.Write(line);
  }
  CloseHandle(snapshot);
}

// Walks the stack from the faulting context with the unwind tables every x64 image carries.
void WriteStack(ReportFile& report, const CONTEXT& fault) {
  report.Write("Call stack:\r\n");
  CONTEXT context = fault;
  char where[MAX_PATH + 32];
  char line[MAX_PATH + 48];
  for (int frame = 0; frame < 64 && context.Rip != 0; ++frame) {
    DescribeAddress(context.Rip, where, sizeof where);
    snprintf(line, sizeof line, "  #%d %s\r\n", frame, where);
    report.Write(line);
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
    if (function) {
      void* handler_data = nullptr;
      DWORD64 establisher = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, function, &context,
                       &handler_data, &establisher, nullptr);
    } else {
      // A leaf function: the return address is on top of the stack.
      if (context.Rsp == 0) break;
      context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
      context.Rsp += 8;
    }
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  ReportFile report;
  if (report.ok() && info && info->ExceptionRecord) {
    char line[MAX_PATH + 128];
    char where[MAX_PATH + 32];
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    DescribeAddress(reinterpret_cast<DWORD64>(record.ExceptionAddress), where, sizeof where);
    report.Write("The program stopped after a fatal error.\r\n");
    snprintf(line, sizeof line, "Exception: 0x%08lx (%s) at %s\r\n",
             static_cast<unsigned long>(record.ExceptionCode), ExceptionName(record.ExceptionCode),
             where);
    report.Write(line);
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
      snprintf(line, sizeof line, "Access: %s of address 0x%llx\r\n",
               record.ExceptionInformation[0] == 0   ? "read"
               : record.ExceptionInformation[0] == 8 ? "execution"
                                                     : "write",
               static_cast<unsigned long long>(record.ExceptionInformation[1]));
      report.Write(line);
    }
    report.Write("Version: ");
    report.Write(g_version);
    report.Write("\r\n");
    if (info->ContextRecord) WriteStack(report, *info->ContextRecord);
    WriteModules(report);
  }
  // End the process with the exception's code; no system crash dialog.
  return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int) {
  {
    ReportFile report;
    report.Write("The program stopped after a fatal error.\r\nAbort (an internal check failed)\r\n");
    report.Write("Version: ");
    report.Write(g_version);
    report.Write("\r\nCall stack:\r\n");
    report.Write(CurrentBacktrace().c_str());
    WriteModules(report);
  }
  _exit(3);
}

}  // namespace

void InstallCrashHandler(const std::string& report_path, const std::string& version_text) {
  CopyText(g_report_path, sizeof g_report_path, report_path);
  CopyText(g_version, sizeof g_version, version_text);
  // No "program has stopped working" boxes: the report file says what happened.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);
  signal(SIGABRT, OnAbort);
}

std::string CurrentBacktrace() {
  void* frames[62];
  // Frame 0 is this function itself.
  const USHORT n = RtlCaptureStackBackTrace(1, 62, frames, nullptr);
  std::string out;
  char where[MAX_PATH + 32];
  for (USHORT i = 0; i < n; ++i) {
    DescribeAddress(reinterpret_cast<DWORD64>(frames[i]), where, sizeof where);
    out += where;
    out += '\n';
  }
  return out;
}

}  // namespace lpc::platform
