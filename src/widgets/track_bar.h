// A horizontal track bar: a thumb on a sunken channel with tick marks below. Drag the thumb; a
// press beside it moves a page towards the pointer; arrow keys move a line, PageUp/PageDown a
// page, Home/End to the ends.
#pragma once

#include <functional>

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TTrackBar".
void RegisterTrackBar(ClassRegistry& registry);

class TrackBar : public Component {
 public:
  TrackBar();
  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  int Min = 0;
  int Max = 10;
  int Frequency = 1;  // a tick every Frequency positions
  int LineSize = 1;
  int PageSize = 2;
  bool ShowTicks = true;  // TickStyle tsNone hides them
  void SetShowTicks(bool show);  // repaints
  int Position() const { return position_; }
  // Clamped to Min..Max; fires OnChange when it changed.
  void SetPosition(int position);
  std::function<void(Component&)> OnChange;

  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;

  Rect ThumbRect() const;
  Rect ChannelRect() const;
  // Position under an x coordinate of the channel.
  int PositionAt(int x) const;

 private:
  int XOf(int position) const;
  int position_ = 0;
  bool dragging_ = false;
  int drag_offset_ = 0;
};

}  // namespace lpc::widgets
