#pragma once

#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace framework::vst3 {

/// IComponent and IEditController both declare getState and setState with
/// the same signature, and an object that is both would otherwise answer
/// the two with one function. These shims give each its own name, so the
/// component's state and the controller's state stay apart.

class ComponentWithNamedState : public Steinberg::Vst::IComponent {
 public:
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) final { return ReadComponentState(state); }
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) final { return WriteComponentState(state); }

 protected:
  virtual Steinberg::tresult ReadComponentState(Steinberg::IBStream* state) = 0;
  virtual Steinberg::tresult WriteComponentState(Steinberg::IBStream* state) = 0;
};

class ControllerWithNamedState : public Steinberg::Vst::IEditController {
 public:
  Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) final { return ReadControllerState(state); }
  Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) final { return WriteControllerState(state); }

 protected:
  virtual Steinberg::tresult ReadControllerState(Steinberg::IBStream* state) = 0;
  virtual Steinberg::tresult WriteControllerState(Steinberg::IBStream* state) = 0;
};

}  // namespace framework::vst3
