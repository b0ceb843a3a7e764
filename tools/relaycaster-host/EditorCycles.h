#pragma once

// relaycaster-host --editor-cycles N: opens the editor and closes it again
// N times while the plug-in runs, then prints what the process holds
// before the first opening, after the first and after the last (see
// ResourceCensus.h), and what the cycles left behind.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "HostRunner.h"
#include "ResourceCensus.h"
#include "Vst3Plugin.h"

namespace relaycaster_host {

/// The main thread's work for the cycles; the run ends when they are done.
/// Threads: the main thread, which created the plug-in.
class EditorCycles final : public MainThreadWork {
 public:
  /// `idle`: the main thread's work while no editor is open (may be null).
  EditorCycles(Vst3HostedPlugin& plugin, int cycles, double uiScale, std::unique_ptr<MainThreadWork> idle,
               std::FILE* out);
  ~EditorCycles() override;

  bool step(std::chrono::milliseconds maxWait) override;
  /// Every cycle opened the editor and the census found nothing left behind.
  bool succeeded() const { return mSucceeded; }
  /// All cycles ran and the report was printed.
  bool finished() const { return mFinished; }

 private:
  void idleFor(std::chrono::milliseconds time);
  bool openNext();
  void closeCurrent();
  void report();

  Vst3HostedPlugin& mPlugin;
  const int mCycles;
  const double mUiScale;
  std::unique_ptr<MainThreadWork> mIdle;
  std::FILE* mOut;
  int mClosed = 0;
  std::unique_ptr<MainThreadWork> mEditor;  // the open editor, between opening and closing
  std::chrono::steady_clock::time_point mOpenedAt;
  std::optional<ResourceCensus> mBefore;
  std::optional<ResourceCensus> mAfterFirst;
  bool mSucceeded = false;
  bool mFinished = false;
};

}  // namespace relaycaster_host
