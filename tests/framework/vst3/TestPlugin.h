#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/IPlugAPIBase.h"
#include "framework/vst3/IPlugVST3.h"

namespace vst3test {

/// A small plug-in for exercising the binding: three parameters, a
/// pass-through render, and hooks that record when and where they ran.
class TestPlugin : public framework::IPlugAPIBase {
 public:
  enum { kSwitch, kGain, kMode, kParamCount };
  static constexpr uint8_t kExtensionId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

  TestPlugin() : IPlugAPIBase(Config()) {
    GetParam(kSwitch)->InitBool("Switch", false);
    GetParam(kGain)->InitDouble("Gain", 0.0, -60.0, 12.0, 0.1, "dB");
    GetParam(kMode)->InitEnum("Mode", 0, {"A", "B", "C"});
  }

  static framework::PluginConfig Config() {
    framework::PluginConfig config;
    config.nParams = kParamCount;
    config.channelIO = "1-1 2-2";
    return config;
  }

  void RenderBlock(double** inputs, double** outputs, int nFrames) override {
    PassThrough(inputs, NInChansConnected(), outputs, NOutChansConnected(), nFrames);
    renderedFrames.fetch_add(nFrames, std::memory_order_relaxed);
    lastInputs.store(NInChansConnected(), std::memory_order_relaxed);
    lastOutputs.store(NOutChansConnected(), std::memory_order_relaxed);
  }

  void OnHostInitialize(framework::IHostContext* context) override {
    ticksAtHostInitialize = ticks.load();
    extension = context ? context->QueryHostInterface(kExtensionId) : nullptr;
  }

  void OnIdle() override {
    Enter();
    ticks.fetch_add(1);
    {
      std::lock_guard lock(recordMutex);
      tickThreads.push_back(std::this_thread::get_id());
    }
    Leave();
  }

  void OnParamChangeUI(int paramIdx, framework::ParamSource source) override {
    Enter();
    {
      std::lock_guard lock(recordMutex);
      uiChanges.push_back({paramIdx, source});
    }
    Leave();
  }

  bool SerializeState(framework::ByteChunk& chunk) const override {
    if (failSaving) throw std::runtime_error("saving failed");
    if (!SerializeParams(chunk)) return false;
    chunk.PutInt32(0x7A7A7A7A);  // trailing data the plain reader does not consume
    return true;
  }
  int UnserializeState(const framework::ByteChunk& chunk, int startPos) override {
    Enter();
    const int end = UnserializeParams(chunk, startPos);
    int32_t trailer = 0;
    const int result = end < 0 ? -1 : chunk.GetInt32(trailer, end);
    Leave();
    return result;
  }

  std::vector<std::pair<int, framework::ParamSource>> UiChanges() {
    std::lock_guard lock(recordMutex);
    return uiChanges;
  }
  std::vector<std::thread::id> TickThreads() {
    std::lock_guard lock(recordMutex);
    return tickThreads;
  }

  std::atomic<int> ticks{0};
  int ticksAtHostInitialize = -1;
  void* extension = nullptr;
  std::atomic<long> renderedFrames{0};
  std::atomic<int> lastInputs{-1};
  std::atomic<int> lastOutputs{-1};
  std::atomic<int> overlaps{0};  // calls that found another hook running
  bool failSaving = false;

 private:
  void Enter() {
    if (mInside.fetch_add(1) != 0) overlaps.fetch_add(1);
  }
  void Leave() { mInside.fetch_sub(1); }

  std::atomic<int> mInside{0};
  std::mutex recordMutex;
  std::vector<std::pair<int, framework::ParamSource>> uiChanges;
  std::vector<std::thread::id> tickThreads;
};

/// An IPlugVST3 around a TestPlugin, released when the holder goes.
struct BoundPlugin {
  BoundPlugin() {
    auto owned = std::make_unique<TestPlugin>();
    plugin = owned.get();
    effect = new framework::IPlugVST3(std::move(owned));
  }
  ~BoundPlugin() { effect->release(); }
  BoundPlugin(const BoundPlugin&) = delete;
  BoundPlugin& operator=(const BoundPlugin&) = delete;

  framework::IPlugVST3* effect;
  TestPlugin* plugin;
};

}  // namespace vst3test
