#pragma once

namespace framework {

/// What a plug-in tells the framework about itself when it is constructed.
struct PluginConfig {
  int nParams = 0;
  int nPresets = 0;
  /// Accepted channel layouts as "in-out" pairs separated by spaces, e.g. "1-1 2-2".
  const char* channelIO = "2-2";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  /// major << 16 | minor << 8 | patch
  int vendorVersion = 0;
  int uniqueID = 0;
  int mfrID = 0;
  int latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugHasUI = false;
  bool hostResizeEditor = false;
  int editorWidth = 0;
  int editorHeight = 0;
  int minWidth = 0;
  int maxWidth = 0;
  int minHeight = 0;
  int maxHeight = 0;
  int fps = 60;
  const char* bundleID = "";
  const char* appGroupID = "";
};

/// Makes a four-character code such as 'BwRc' from its text.
constexpr int FourCharCode(const char (&text)[5]) {
  return static_cast<int>(static_cast<unsigned>(static_cast<unsigned char>(text[0])) << 24 |
                          static_cast<unsigned>(static_cast<unsigned char>(text[1])) << 16 |
                          static_cast<unsigned>(static_cast<unsigned char>(text[2])) << 8 |
                          static_cast<unsigned>(static_cast<unsigned char>(text[3])));
}

}  // namespace framework
