#include "framework/WindowClass_win.h"

namespace framework {

HINSTANCE ThisModule() {
  // The address of this function lies in our own module; the reference
  // count stays as it is, so this never keeps the DLL loaded.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

ModuleWindowClass::ModuleWindowClass(const wchar_t* name, WNDPROC procedure, UINT style)
    : mName(name), mProcedure(procedure), mStyle(style) {}

bool ModuleWindowClass::Acquire() {
  std::lock_guard lock(mMutex);
  if (mUsers == 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = mStyle;
    windowClass.lpfnWndProc = mProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = mName;
    // A class left registered by an earlier load of the same DLL (a host
    // that crashed out of a window's destruction) is ours to use too.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  ++mUsers;
  return true;
}

void ModuleWindowClass::Release() {
  std::lock_guard lock(mMutex);
  if (mUsers == 0) return;
  // Fails harmlessly while a window of the class still exists on a thread
  // that has not destroyed it yet; the next Acquire registers it again.
  if (--mUsers == 0) UnregisterClassW(mName, ThisModule());
}

}  // namespace framework
