#pragma once

#include <cstdint>

namespace relaycaster {

/// Where finished 1316-byte messages (seven transport packets) go. The SRT
/// worker sends them with srt_sendmsg2 on its connected socket; tests
/// capture them.
///
/// Threads: called on the SRT worker thread, synchronously, while the output
/// consumes a block.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void sendMessage(const uint8_t* data, int size) = 0;
};

}  // namespace relaycaster
