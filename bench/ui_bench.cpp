// Measures the vector layer's redraw: the whole 256 x 596 panel surface with a set of
// controls in the default theme (target 5 ms), and one slider's changed rectangle after a
// value change (target 1 ms).
#include <benchmark/benchmark.h>

#include <memory>

#define PolygonBreak PolygonBreak3D
#include "scene/layer.h"
#undef PolygonBreak
#include "ui/controls.h"
#include "ui/list_box.h"
#include "ui/pq_layer.h"
#include "ui/track.h"

namespace {

struct Panel {
  Panel() : layer(std::make_unique<TgkScreenPQLayer>()) {
    layer->SetWidth(256);
    layer->SetHeight(596);
    auto* root = new TpmBackground();
    layer->AddObject2D(root);
    for (int i = 0; i < 8; ++i) {
      auto* label = new TpmLabel();
      root->AddObject(label);
      label->SetBounds(8, 10 + i * 22.0f, 70, 18);
      label->SetText("Slider");
      auto* track = new TpmTrackBar();
      root->AddObject(track);
      track->SetBounds(80, 12 + i * 22.0f, 160, 15);
      tracks[i] = track;
    }
    auto* check = new TpmCheckBox();
    root->AddObject(check);
    check->SetBounds(8, 190, 200, 19);
    check->SetText("Shadow");
    auto* list = new TpmListBox();
    root->AddObject(list);
    list->SetBounds(8, 220, 240, 330);
    for (int i = 0; i < 20; ++i) {
      auto* row = new TpmListBoxItem();
      list->AddObject(row);
      auto* text = new TpmLabel();
      row->AddObject(text);
      text->SetAlign(pqAlignClient);
      text->SetText("Mesh row");
    }
    auto* button = new TpmButton();
    root->AddObject(button);
    button->SetBounds(8, 560, 100, 26);
    button->SetText("Save");
    layer->UpdateSurface();
  }
  std::unique_ptr<TgkScreenPQLayer> layer;
  TpmTrackBar* tracks[8] = {};
};

void BM_FullPanelRedraw(benchmark::State& state) {
  Panel p;
  for (auto _ : state) {
    p.layer->AddUpdateRect({0, 0, 256, 596});
    p.layer->RedrawUpdateRects();
  }
}
BENCHMARK(BM_FullPanelRedraw)->Unit(benchmark::kMillisecond);

void BM_SliderChangeRedraw(benchmark::State& state) {
  Panel p;
  float v = 0;
  for (auto _ : state) {
    v = v > 0.8f ? 0 : v + 0.05f;
    p.tracks[3]->SetValue(v);
    p.layer->RedrawUpdateRects();
  }
}
BENCHMARK(BM_SliderChangeRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
