#pragma once

// A window class of this module (the plug-in's DLL, wherever it is
// loaded from): registered against the module's own HINSTANCE when the
// first window of it is made, unregistered when the last one has gone, so
// nothing of ours stays registered in the host after the DLL unloads.
// Only the _win files include this.
#include <windows.h>

#include <mutex>

namespace framework {

/// The HINSTANCE of the module this code is linked into (not the host's).
HINSTANCE ThisModule();

/// Threads: any; the count is guarded. Windows of the class are created and
/// destroyed on their own threads as Win32 requires.
class ModuleWindowClass {
 public:
  /// `style`: CS_* flags. The class is registered on first Acquire.
  ModuleWindowClass(const wchar_t* name, WNDPROC procedure, UINT style = 0);
  ModuleWindowClass(const ModuleWindowClass&) = delete;
  ModuleWindowClass& operator=(const ModuleWindowClass&) = delete;

  /// Before a window of the class is created; false when the class cannot
  /// be registered (nothing to release then).
  bool Acquire();
  /// After such a window has been destroyed (or its creation failed).
  void Release();

  const wchar_t* Name() const { return mName; }

 private:
  const wchar_t* mName;
  WNDPROC mProcedure;
  UINT mStyle;
  std::mutex mMutex;
  int mUsers = 0;  // guarded by mMutex
};

}  // namespace framework
