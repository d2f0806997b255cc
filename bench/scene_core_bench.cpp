// Measures the scene-object core: the alignment pass of a panel with a few hundred aligned
// children (the list and panel layouts), and picking through a tree of many objects.
#include <benchmark/benchmark.h>

#include <memory>

#include "scene/canvas.h"
#include "scene/visual_object.h"

namespace {

// A panel whose children stack at the top, as list rows do, with a few edge and corner
// children around a client area.
std::unique_ptr<TgkVisualObject> MakePanel(int rows) {
  auto panel = std::make_unique<TgkVisualObject>();
  panel->SetWidth(250);
  panel->SetHeight(6000);
  const TgkAlign extras[] = {gkLeft, gkRight, gkBottom, gkClient, gkTopLeft, gkCenter};
  for (int i = 0; i < rows; ++i) {
    auto* row = new TgkVisualObject();
    row->SetHeight(19);
    row->Position().SetY(static_cast<float>(i));
    row->SetParent(panel.get());
    row->SetAlign(i % 50 == 49 ? extras[(i / 50) % 6] : gkTop);
    row->Padding().SetTop(1);
  }
  return panel;
}

void BM_RealignPanel(benchmark::State& state) {
  auto panel = MakePanel(static_cast<int>(state.range(0)));
  float width = 250;
  for (auto _ : state) {
    width = width == 250 ? 260 : 250;  // a real size change every time
    panel->SetWidth(width);            // runs the pass
    benchmark::DoNotOptimize(panel->GetChild(0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RealignPanel)->Arg(100)->Arg(300)->Arg(600)->Unit(benchmark::kMicrosecond);

void BM_PickThroughTree(benchmark::State& state) {
  // The scene's own canvas without a device: enough for pick rays.
  std::unique_ptr<TgkCanvas> canvas =
      DefaultCanvasClass3D().CreateFromWindow(nullptr, 1024, 768, false, gkLowQuality);
  TgkVisualObject root;
  const int n = static_cast<int>(state.range(0));
  for (int i = 0; i < n; ++i) {
    auto* group = new TgkVisualObject();
    group->Position().SetPoint({static_cast<float>(i % 10), 0, -5.0f - static_cast<float>(i)});
    group->SetParent(&root);
    auto* leaf = new TgkVisualObject();
    leaf->SetParent(group);
  }
  root.SetCanvas(canvas.get());
  for (auto _ : state) {
    float distance = kPickFar;
    benchmark::DoNotOptimize(root.ObjectAtPoint(false, distance, 512, 384));
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
}
BENCHMARK(BM_PickThroughTree)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
