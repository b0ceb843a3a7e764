#include <gtest/gtest.h>

#include "editor/EditorSupport.h"
#include "editor/Theme.h"

namespace {

using editortest::Describe;
using editortest::Near;
using editortest::OpenEditor;
using framework::IColor;

TEST(EditorFrame, DrawsTheFrame) {
  OpenEditor editor;
  ASSERT_NE(&editor.g(), nullptr);
  editor.drawAll();
  editor.writePng("/tmp/editor-frame.png");
  EXPECT_TRUE(Near(editor.at(5, 5), {255, 10, 10, 10})) << Describe(editor.at(5, 5));
}

}  // namespace
