#pragma once

#include <string>

#include "transport/ndi/NdiApi.h"

namespace relaycaster {

/// The NDI runtime as this process has it: the runtime's function table
/// when loading and initialising it worked, or the user-readable reason why
/// not. The runtime file sits in the plug-in's own folder and is loaded
/// from there by its full path.
///
/// Threads: get() from any thread (normally a sender worker); the record is
/// read-only once made.
class NdiRuntime {
 public:
  /// The process-wide record. The first call loads the runtime beside the
  /// plug-in's own module; concurrent first calls wait for it. Later calls
  /// return the same record without retrying, so a failure lasts until the
  /// process restarts. The library is never unloaded and the runtime never
  /// shut down: several plug-in instances share it.
  static const NdiRuntime& get();

  /// A fresh record for the runtime file in `folder` (with or without a
  /// trailing separator), bypassing the process-wide one. For tests and
  /// tools that need to load a particular runtime.
  static NdiRuntime loadFrom(const std::string& folder);

  /// The runtime's file name in the plug-in's folder on this platform.
  static const char* fileName();

  /// The function table, or null when loading failed at any step.
  const ndi::NDIlib_v6* functions() const { return mFunctions; }
  /// Empty on success; otherwise the message of the step that failed.
  const std::string& error() const { return mError; }
  bool available() const { return mFunctions != nullptr; }

 private:
  static NdiRuntime loadBesideOwnModule();
  static NdiRuntime loadLibraryAt(const std::string& path);
  static NdiRuntime failed(std::string error);

  const ndi::NDIlib_v6* mFunctions = nullptr;  // the runtime's own constant table
  std::string mError;
};

}  // namespace relaycaster
