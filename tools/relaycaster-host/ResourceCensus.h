#pragma once

// What this process holds that an editor could leave behind when it
// closes: windows, timers, drawing objects, threads, descriptors. One
// implementation of the census per system (ResourceCensus_linux.cpp,
// _win.cpp), each counting what its system can count cheaply; the report
// is shared (ResourceCensus.cpp).
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace relaycaster_host {

/// What a count's growth is measured from.
enum class Baseline {
  BeforeFirst,  // nothing an editor makes may outlive it
  // The first use of an editor may create some for the process's life
  // (fonts, cursors, a display connection), so only later growth is left behind.
  AfterFirst,
  // Others than the editor make and end them all the time (the system's
  // thread pools, a network fetch of the plug-in's): shown, not judged.
  NotJudged,
};

struct ResourceCount {
  std::string what;            // "windows of this thread"
  std::optional<long> count;   // none: cannot be counted here
  Baseline baseline = Baseline::BeforeFirst;
};

struct ResourceCensus {
  std::vector<ResourceCount> counts;
  std::vector<std::string> notes;  // what could not be counted, and why
};

/// The report of `cycles` editor openings: a table of the censuses taken
/// before the first, after the first and after the last, the notes, and a
/// verdict that names every count that grew past its baseline (see
/// Baseline). True when none did.
bool reportCensuses(std::FILE* out, int cycles, const ResourceCensus& before, const ResourceCensus& afterFirst,
                    const ResourceCensus& afterLast);

/// Threads: the thread that runs the editor, which must pump its messages
/// (on Windows the census does so for a moment, to see which timers fire).
ResourceCensus takeResourceCensus();

}  // namespace relaycaster_host
