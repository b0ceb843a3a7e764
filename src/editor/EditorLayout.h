#pragma once

#include <memory>

#include "framework/graphics/IGraphics.h"

namespace relaycaster {

class Relaycaster;

/// The editor factory: graphics of 880 by 562 design units at 60 frames per
/// second, at the scale the window was left at (the kept window size over
/// the screen scale), with the plug-in's fonts and logo.
std::unique_ptr<framework::IGraphics> MakeEditor(Relaycaster& plugin);

/// Builds the whole editor; also run for every rebuild.
void LayoutEditor(Relaycaster& plugin, framework::IGraphics& g);

/// The two transport columns, called once by LayoutEditor.
void LayoutStreamPanel(Relaycaster& plugin, framework::IGraphics& g);

/// The scale an editor opens at, from the kept window size and the screen scale.
float InitialEditorScale(int windowWidth, int windowHeight, float screenScale);

}  // namespace relaycaster
