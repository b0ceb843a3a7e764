// On Windows: the process's GDI and USER objects, the windows and timers
// of this thread, and the process's threads. Wine answers GetGuiResources
// with 0 and ERROR_CALL_NOT_IMPLEMENTED; there the GDI objects are counted
// in the process's GDI handle table instead, which Wine keeps per process
// in the layout Windows uses, and USER objects not at all.
#include <windows.h>
#include <winternl.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdint>

#include "MessagePump_win.h"
#include "ResourceCensus.h"

namespace relaycaster_host {
namespace {

using namespace std::chrono_literals;

// Longer than the periods of the timers an editor runs (its frames, the
// idle tick, a caret's blink).
constexpr auto kTimerWatch = 600ms;

std::optional<long> guiResources(DWORD kind) {
  SetLastError(0);
  const DWORD count = GetGuiResources(GetCurrentProcess(), kind);
  if (count == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return std::nullopt;
  return static_cast<long>(count);
}

// One entry of the GDI handle table the process environment block points
// to, as Windows and Wine lay it out on x86-64.
#pragma pack(push, 1)
struct GdiHandleEntry {
  uint64_t object;
  uint16_t processId;  // Wine's per-process table leaves it 0
  uint16_t count;
  uint16_t unique;
  uint8_t type;  // 0: a free entry
  uint8_t flags;
  uint64_t user;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr size_t kGdiTableOffset = 0xF8;  // PEB.GdiSharedHandleTable on x86-64
constexpr size_t kGdiTableEntries = 0x10000;

// ntdll is in every process; looked up rather than imported, as the host
// imports only the usual system libraries.
const void* processEnvironmentBlock() {
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto query = ntdll ? reinterpret_cast<QueryProcess>(
                                 reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")))
                           : nullptr;
  PROCESS_BASIC_INFORMATION process{};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0)
    return nullptr;
  return process.PebBaseAddress;
}

std::optional<long> gdiHandleTableEntries() {
  const void* peb = processEnvironmentBlock();
  if (!peb) return std::nullopt;
  const auto* table =
      *reinterpret_cast<const GdiHandleEntry* const*>(static_cast<const uint8_t*>(peb) + kGdiTableOffset);
  if (!table) return std::nullopt;
  const auto ours = static_cast<uint16_t>(GetCurrentProcessId());
  long count = 0;
  for (size_t i = 0; i < kGdiTableEntries; ++i)
    if (table[i].type != 0 && (table[i].processId == ours || table[i].processId == 0)) ++count;
  return count;
}

long threadWindows() {
  long count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<long*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

long threadMessageOnlyWindows() {
  long count = 0;
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) ++count;
  return count;
}

// Timers have no list to read: those that fire while the thread's
// messages are pumped for a moment are counted.
long firingTimers() {
  vst3host::MessagePump pump;
  pump.WatchTimers(true);
  const auto until = std::chrono::steady_clock::now() + kTimerWatch;
  while (std::chrono::steady_clock::now() < until) pump.Step(10ms);
  return static_cast<long>(pump.TimersSeen().size());
}

std::optional<long> processThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  long count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

}  // namespace

ResourceCensus takeResourceCensus() {
  ResourceCensus census;
  census.counts.push_back({"timers firing on this thread", firingTimers(), Baseline::BeforeFirst});
  const std::optional<long> gdi = guiResources(GR_GDIOBJECTS);
  const std::optional<long> user = guiResources(GR_USEROBJECTS);
  census.counts.push_back({"GDI objects", gdi, Baseline::AfterFirst});
  census.counts.push_back({"USER objects", user, Baseline::AfterFirst});
  if (!gdi) {
    census.counts.push_back({"GDI handle table entries", gdiHandleTableEntries(), Baseline::AfterFirst});
    census.notes.push_back(
        "GetGuiResources is not implemented here (it answers 0, error 120, as under Wine): GDI objects are counted in "
        "the process's GDI handle table instead, USER objects through the windows and timers");
  }
  census.counts.push_back({"windows of this thread", threadWindows(), Baseline::BeforeFirst});
  census.counts.push_back({"message-only windows of this thread", threadMessageOnlyWindows(), Baseline::BeforeFirst});
  // WinHTTP and the system's thread pools start and end threads of their own.
  census.counts.push_back({"threads (not judged)", processThreads(), Baseline::NotJudged});
  return census;
}

}  // namespace relaycaster_host
