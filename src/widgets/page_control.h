// Tabbed pages. Every TabSheet child of a PageControl is one page; only the active page shows
// (and with it its children). The tabs run along the top, or the bottom with tpBottom; a click
// on a tab switches to its page, the tab under the pointer lights up when HotTrack is on, and
// Ctrl+Tab or the arrow keys on the focused control step through the pages.
#pragma once

#include <functional>
#include <vector>

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TPageControl" and "TTabSheet".
void RegisterPageControl(ClassRegistry& registry);
void RegisterTabSheet(ClassRegistry& registry);

class TabSheet : public Component {
 public:
  TabSheet();
  bool IsWindowed() const override { return true; }
  bool TabVisible = true;
  void SetTabVisible(bool visible);  // repaints the tabs
  int ImageIndex = -1;
  bool Highlighted = false;
};

class PageControl : public Component {
 public:
  enum TabStyle { tsTabs, tsButtons, tsFlatButtons };
  enum TabPlace { tpTop, tpBottom, tpLeft, tpRight };
  PageControl();
  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  // The pages in order (TabSheet children).
  std::vector<TabSheet*> Pages() const;
  // The pages whose tab shows.
  std::vector<TabSheet*> VisibleTabs() const;
  TabSheet* ActivePage() const;
  void SetActivePage(TabSheet* page);
  // Position of the active page among the visible tabs (-1: none).
  int TabIndex() const;
  void SetTabIndex(int index);
  std::function<void(Component&)> OnChange;

  bool HotTrack = false;
  TabStyle Style = tsTabs;
  TabPlace TabPosition = tpTop;  // tpLeft and tpRight are drawn at the top
  int TabHeight = 0;             // 0: from the font
  int TabWidth = 0;     // 0: from each caption
  bool MultiLine = false;
  // These move the pages: each realigns (and repaints).
  void SetStyle(TabStyle style);
  void SetTabPosition(TabPlace place);
  void SetTabHeight(int height);

  Rect ClientRect() const override;
  void Paint(Canvas& canvas) override;
  void Loaded() override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseLeave() override;
  bool KeyDown(int key, unsigned modifiers) override;
  void Resized() override { SyncPages(); }

  // The tab rectangles, one per visible tab, in the control's coordinates.
  std::vector<Rect> TabRects() const;
  int TabAt(int x, int y) const;

 private:
  int TabRowHeight() const;
  bool TabsBelow() const;
  // Shows the active page and hides the others.
  void SyncPages();
  TabSheet* active_ = nullptr;
  int pending_tab_index_ = -1;  // TabIndex set before the pages existed
  int hot_ = -1;
};

}  // namespace lpc::widgets
