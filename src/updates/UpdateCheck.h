#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace brightwold::updates {

/// The maker's web site: the default feed is its "/updates.json" and the
/// download pages named in the feed are paths on it.
inline constexpr const char* kMakerOrigin = "https://brightwold.com";
inline constexpr const char* kDefaultFeedUrl = "https://brightwold.com/updates.json";
/// Replaces the feed URL when set and not empty (read once per UpdateCheck).
inline constexpr const char* kFeedUrlVariable = "BRIGHTWOLD_UPDATES_URL";

/// Files in the shared data folder. While any file system object named
/// kMarkerName exists, checks are off in every Brightwold plug-in.
inline constexpr const char* kMarkerName = "updates-off";
inline constexpr const char* kCacheName = "updates.json";
inline constexpr std::string_view kMarkerText =
    "The Brightwold plug-ins do not check for updates while this file is here.\n";

/// A cache younger than this many seconds is not refreshed from the web.
inline constexpr int64_t kSecondsBetweenFetches = 600;
inline constexpr int kFetchLimitSeconds = 8;

/// What the update pill offers: the feed's version text as written, and the
/// download page's full URL.
struct AvailableUpdate {
  std::string version;
  std::string downloadUrl;
  bool operator==(const AvailableUpdate&) const = default;
};

/// Whole seconds since 1970-01-01 UTC.
using SecondsClock = std::function<int64_t()>;
int64_t SystemSecondsSinceEpoch();

/// Looks for a newer version of the product in the maker's feed, at most
/// once per kSecondsBetweenFetches across every instance of every Brightwold
/// plug-in on the computer: the last answer and the time of the last
/// attempt are cached in a file of the shared data folder. Nothing of it is
/// ever reported to the user; every failure reads as "no update".
///
/// Threads: Run on the update worker; Refresh on the worker or the editor's
/// thread; SetEnabled on the editor's thread; the accessors on any thread.
/// mMutex guards enabled, the available update and the generation; files,
/// parsing and the network are used outside it. mRefreshMutex serialises
/// Refresh calls. Instances coordinate only
/// through the cache file, which is always replaced whole.
class UpdateCheck {
 public:
  /// Reads kFeedUrlVariable, then runs a first Refresh, so that an update
  /// already recorded in the cache shows before any network traffic.
  /// `dataFolder` is SharedDataFolder(); an empty one disables all file work.
  UpdateCheck(std::filesystem::path dataFolder, std::string productKey, std::string ownVersion,
              SecondsClock clock = SystemSecondsSinceEpoch);

  /// One check cycle: unless checks are off or the cache is fresh, record
  /// the attempt in the cache, fetch the feed and cache it when it is a
  /// JSON object answered with status 200. (worker)
  void Run();
  /// Recomputes enabled and the available update from the marker and the
  /// cache; raises the generation when either changed. (worker, editor)
  void Refresh();
  /// Writes or deletes the marker (failures ignored), then Refresh. Does
  /// not fetch: the worker's next run does when the cache is old. (editor)
  void SetEnabled(bool enabled);

  bool IsEnabled() const;
  std::optional<AvailableUpdate> availableUpdate() const;
  /// Raised by one whenever enabled or the available update changes.
  uint32_t generation() const;

  const std::string& feedUrl() const { return mFeedUrl; }
  const std::filesystem::path& dataFolder() const { return mDataFolder; }

 private:
  struct Cache {
    int64_t checkedAt = 0;
    std::string feed;  // the last good feed as received; empty before one arrived
  };

  Cache readCache() const;
  bool writeCache(const Cache& cache) const;
  bool markerPresent() const;
  std::filesystem::path fileInFolder(const char* name) const;

  const std::filesystem::path mDataFolder;
  const std::string mProductKey;
  const std::string mOwnVersion;
  const SecondsClock mClock;
  std::string mFeedUrl;  // set in the constructor, read-only afterwards

  // Held through a whole Refresh, so that refreshes on the worker and the
  // editor's thread apply their answers in the order they read the files:
  // an answer read before a switch can never replace one read after it.
  std::mutex mRefreshMutex;
  mutable std::mutex mMutex;
  bool mEnabled = true;                      // guarded by mMutex
  std::optional<AvailableUpdate> mUpdate;    // guarded by mMutex
  uint32_t mGeneration = 0;                  // guarded by mMutex
};

// --- the feed rules, exposed for tests -----------------------------------------

/// Three dot-separated decimal components of 1 to 4 digits each, leading
/// zeros allowed, nothing else ("0.4.10", "00.4.2"); else nothing.
std::optional<std::array<int, 3>> ParseVersion(std::string_view text);

/// A download page path: 1 to 100 characters, starting with "/" but not
/// "//", only letters A-Z a-z, digits and # - / _.
bool IsValidDownloadPage(std::string_view page);

/// The update a feed text offers the product: its entry must be an object
/// with String members "version" and "page" obeying the rules above, and the
/// version must be newer than `ownVersion`. Else nothing.
std::optional<AvailableUpdate> EvaluateFeed(std::string_view feed, std::string_view productKey,
                                            std::string_view ownVersion);

}  // namespace brightwold::updates
