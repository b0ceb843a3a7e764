#include "updates/UpdateCheck.h"

#include <chrono>
#include <cstdlib>

#include "files/FileHelpers.h"
#include "web/HttpClient.h"
#include "web/Json.h"

namespace brightwold::updates {

using relaycaster::JsonType;
using relaycaster::JsonValue;

namespace {

constexpr size_t kMaxFeedBytes = 65536;
constexpr size_t kMaxPageLength = 100;

/// A Number that converts to a 64-bit integer and back unchanged.
std::optional<int64_t> WholeNumber(const JsonValue* value) {
  if (value == nullptr || value->type != JsonType::Number) return std::nullopt;
  const double number = value->number;
  // The range check comes first: converting a double outside it is undefined.
  if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0)) return std::nullopt;
  const auto whole = static_cast<int64_t>(number);
  if (static_cast<double>(whole) != number) return std::nullopt;
  return whole;
}

std::optional<JsonValue> ParseLimited(std::string_view text) {
  if (text.size() > kMaxFeedBytes) return std::nullopt;
  return relaycaster::ParseJson(text);
}

const std::string* StringMember(const JsonValue& object, std::string_view key) {
  const JsonValue* member = relaycaster::FindMember(object, key);
  return member != nullptr && member->type == JsonType::String ? &member->text : nullptr;
}

/// Whether `now` is at least kSecondsBetweenFetches after `checkedAt`, or
/// before it (the clock went back). Unsigned arithmetic keeps the
/// difference exact for any pair of 64-bit times.
bool CacheIsStale(int64_t now, int64_t checkedAt) {
  if (now < checkedAt) return true;
  return static_cast<uint64_t>(now) - static_cast<uint64_t>(checkedAt) > kSecondsBetweenFetches - 1;
}

std::string CacheLine(int64_t checkedAt, std::string_view feed) {
  return "{\"version\":1,\"checked_at\":" + relaycaster::JsonInteger(checkedAt) +
         ",\"feed\":" + relaycaster::JsonQuote(feed) + "}\n";
}

std::string FeedUrlFromEnvironment() {
  const char* value = std::getenv(kFeedUrlVariable);
  return value != nullptr && *value != '\0' ? std::string(value) : std::string(kDefaultFeedUrl);
}

}  // namespace

int64_t SystemSecondsSinceEpoch() {
  using namespace std::chrono;
  return floor<seconds>(system_clock::now()).time_since_epoch().count();
}

UpdateCheck::UpdateCheck(std::filesystem::path dataFolder, std::string productKey, std::string ownVersion,
                         SecondsClock clock)
    : mDataFolder(std::move(dataFolder)),
      mProductKey(std::move(productKey)),
      mOwnVersion(std::move(ownVersion)),
      mClock(std::move(clock)),
      mFeedUrl(FeedUrlFromEnvironment()) {
  Refresh();
}

void UpdateCheck::Run() {
  if (markerPresent()) return;
  Cache cache = readCache();
  const int64_t now = mClock();
  if (!CacheIsStale(now, cache.checkedAt)) return;
  // The attempt is recorded before fetching, so that a failed fetch is not
  // retried by this or any other instance before the interval is up, and a
  // folder that cannot be written causes no network traffic at all.
  cache.checkedAt = now;
  if (!writeCache(cache)) return;

  relaycaster::HttpResult answer = relaycaster::HttpGet(mFeedUrl, kFetchLimitSeconds);
  if (answer.status != 200) return;
  const std::optional<JsonValue> feed = ParseLimited(answer.body);
  if (!feed || feed->type != JsonType::Object) return;
  cache.feed = std::move(answer.body);
  writeCache(cache);  // a failure keeps the previous feed, as for a bad answer
}

void UpdateCheck::Refresh() {
  std::lock_guard refreshing(mRefreshMutex);
  const bool enabled = !markerPresent();
  std::optional<AvailableUpdate> update;
  if (enabled) update = EvaluateFeed(readCache().feed, mProductKey, mOwnVersion);

  std::lock_guard lock(mMutex);
  if (enabled != mEnabled || update != mUpdate) ++mGeneration;
  mEnabled = enabled;
  mUpdate = std::move(update);
}

void UpdateCheck::SetEnabled(bool enabled) {
  if (enabled) {
    std::string ignored;
    relaycaster::RemoveFile(fileInFolder(kMarkerName), ignored);
  } else {
    relaycaster::WriteAtomically(fileInFolder(kMarkerName), kMarkerText);
  }
  Refresh();
}

bool UpdateCheck::IsEnabled() const {
  std::lock_guard lock(mMutex);
  return mEnabled;
}

std::optional<AvailableUpdate> UpdateCheck::availableUpdate() const {
  std::lock_guard lock(mMutex);
  return mUpdate;
}

uint32_t UpdateCheck::generation() const {
  std::lock_guard lock(mMutex);
  return mGeneration;
}

UpdateCheck::Cache UpdateCheck::readCache() const {
  Cache cache;
  const std::optional<std::string> bytes = relaycaster::ReadWholeFile(fileInFolder(kCacheName));
  if (!bytes) return cache;
  const std::optional<JsonValue> document = ParseLimited(*bytes);
  if (!document || document->type != JsonType::Object) return cache;
  cache.checkedAt = WholeNumber(relaycaster::FindMember(*document, "checked_at")).value_or(0);
  if (const std::string* feed = StringMember(*document, "feed"); feed != nullptr && ParseLimited(*feed)) {
    cache.feed = *feed;
  }
  return cache;
}

bool UpdateCheck::writeCache(const Cache& cache) const {
  const std::string line = CacheLine(cache.checkedAt, cache.feed);
  // A line the reader would refuse as too long would lose the feed and the
  // time of the attempt, and make every run fetch again: keep what is there.
  if (line.size() > relaycaster::kMaxWholeFileBytes) return false;
  return relaycaster::WriteAtomically(fileInFolder(kCacheName), line);
}

bool UpdateCheck::markerPresent() const {
  // Without a data folder there is no marker; every file operation then
  // refuses, so nothing is ever fetched.
  return mDataFolder.is_absolute() && relaycaster::FileSystemObjectExists(fileInFolder(kMarkerName));
}

std::filesystem::path UpdateCheck::fileInFolder(const char* name) const {
  return mDataFolder.empty() ? std::filesystem::path() : mDataFolder / name;
}

// --- feed rules -------------------------------------------------------------------

std::optional<std::array<int, 3>> ParseVersion(std::string_view text) {
  std::array<int, 3> components{};
  size_t pos = 0;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    size_t digits = 0;
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (++digits > 4) return std::nullopt;
      value = value * 10 + (text[pos++] - '0');
    }
    if (digits == 0) return std::nullopt;
    components[i] = value;
  }
  if (pos != text.size()) return std::nullopt;
  return components;
}

bool IsValidDownloadPage(std::string_view page) {
  if (page.empty() || page.size() > kMaxPageLength || page.front() != '/' || page.starts_with("//")) return false;
  for (const char c : page) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                         c == '#' || c == '-' || c == '/' || c == '_';
    if (!allowed) return false;
  }
  return true;
}

std::optional<AvailableUpdate> EvaluateFeed(std::string_view feed, std::string_view productKey,
                                            std::string_view ownVersion) {
  const std::optional<JsonValue> document = ParseLimited(feed);
  if (!document) return std::nullopt;
  const JsonValue* entry = relaycaster::FindMember(*document, productKey);
  if (entry == nullptr || entry->type != JsonType::Object) return std::nullopt;
  const std::string* version = StringMember(*entry, "version");
  const std::string* page = StringMember(*entry, "page");
  if (version == nullptr || page == nullptr || !IsValidDownloadPage(*page)) return std::nullopt;
  const auto offered = ParseVersion(*version);
  const auto own = ParseVersion(ownVersion);
  if (!offered || !own || *offered <= *own) return std::nullopt;  // lexicographic: first differing component decides
  return AvailableUpdate{*version, std::string(kMakerOrigin) + *page};
}

}  // namespace brightwold::updates
