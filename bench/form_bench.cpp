// Building a described window: the default MainWindow read from its object text, built and
// painted once with the system's fonts, as "/C" does before the window first shows.
#include <benchmark/benchmark.h>

#include <memory>

#include "configwindow/form_builder.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/freetype_text.h"

namespace {

void BM_BuildForm(benchmark::State& state) {
  lpc::platform::HeadlessPlatform platform;
  lpc::platform::SetCurrent(&platform);
  std::unique_ptr<lpc::TextRenderer> fonts = lpc::platform::CreateFreeTypeTextRenderer();
  lpc::UiDescription forms;
  forms.LoadFromFile(LPC_DEFAULT_UI);
  const lpc::FormDescription& form = forms.FindForm("MainWindow");
  const lpc::PlaceholderValues values{"LPCSaver Demo", "LPCSaver", "https://example.org/lpcsaver"};
  // The fonts' glyph caches fill on the first paint; the figure is for a window built again.
  {
    auto warm = lpc::BuildDescribedForm(form, &values, "");
    warm->SetTextRenderer(fonts.get());
    warm->Render();
  }
  for (auto _ : state) {
    auto window = lpc::BuildDescribedForm(form, &values, "");
    window->SetTextRenderer(fonts.get());
    benchmark::DoNotOptimize(window->Render().data());
  }
  lpc::platform::SetCurrent(nullptr);
}
BENCHMARK(BM_BuildForm)->Unit(benchmark::kMicrosecond);

}  // namespace
