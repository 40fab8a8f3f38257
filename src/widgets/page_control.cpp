#include "widgets/page_control.h"

#include <algorithm>

#include "widgets/draw.h"
#include "widgets/form.h"
#include "widgets/geometry.h"
#include "widgets/standard_controls.h"
#include "widgets/stock_classes.h"

namespace lpc::widgets {

TabSheet::TabSheet() {
  SetAlign(Alignment::alClient);
  SetParentColor(true);
}

PageControl::PageControl() {
  SetBounds(0, 0, 289, 193);
  TabStop = true;
}

std::vector<TabSheet*> PageControl::Pages() const {
  std::vector<TabSheet*> out;
  for (Component* c : Children()) {
    if (auto* page = dynamic_cast<TabSheet*>(c)) out.push_back(page);
  }
  return out;
}

std::vector<TabSheet*> PageControl::VisibleTabs() const {
  std::vector<TabSheet*> out;
  for (TabSheet* page : Pages()) {
    if (page->TabVisible) out.push_back(page);
  }
  return out;
}

TabSheet* PageControl::ActivePage() const {
  const std::vector<TabSheet*> pages = Pages();
  if (std::find(pages.begin(), pages.end(), active_) != pages.end()) return active_;
  return nullptr;
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page && page->Parent() != this) return;
  const bool changed = page != active_;
  active_ = page;
  SyncPages();
  Invalidate();
  if (changed && OnChange) OnChange(*this);
}

int PageControl::TabIndex() const {
  const std::vector<TabSheet*> tabs = VisibleTabs();
  const auto it = std::find(tabs.begin(), tabs.end(), ActivePage());
  return it == tabs.end() ? -1 : static_cast<int>(it - tabs.begin());
}

void PageControl::SetTabIndex(int index) {
  const std::vector<TabSheet*> tabs = VisibleTabs();
  if (tabs.empty()) {
    pending_tab_index_ = index;
    return;
  }
  if (index < 0 || index >= static_cast<int>(tabs.size())) return;
  SetActivePage(tabs[index]);
}

void PageControl::Loaded() {
  if (pending_tab_index_ >= 0) {
    const int index = pending_tab_index_;
    pending_tab_index_ = -1;
    SetTabIndex(index);
  }
  SyncPages();
}

void PageControl::SyncPages() {
  TabSheet* active = ActivePage();
  if (!active) {
    // No page chosen (or it went away): the first one with a tab.
    const std::vector<TabSheet*> tabs = VisibleTabs();
    active_ = active = tabs.empty() ? nullptr : tabs.front();
  }
  for (TabSheet* page : Pages()) page->SetVisible(page == active);
}

void PageControl::SetStyle(TabStyle style) {
  Style = style;
  Realign();
  Invalidate();
}

void PageControl::SetTabPosition(TabPlace place) {
  TabPosition = place;
  Realign();
  Invalidate();
}

void PageControl::SetTabHeight(int height) {
  TabHeight = std::clamp(height, 0, 1000);
  Realign();
}

int PageControl::TabRowHeight() const {
  if (TabHeight > 0) return TabHeight;
  return std::max(TextLineHeight() + 6, 18);
}

bool PageControl::TabsBelow() const { return TabPosition == tpBottom; }

Rect PageControl::ClientRect() const {
  const int th = TabRowHeight();
  if (TabsBelow()) {
    const int bottom = std::max(0, Height() - th - 4);
    if (Style != tsTabs) return Rect{0, 0, Width(), bottom};
    return Rect{4, std::min(4, bottom), std::max(4, Width() - 4), bottom};
  }
  if (Style != tsTabs) return Rect{0, th + 4, Width(), std::max(th + 4, Height())};
  return Rect{4, th + 4, std::max(4, Width() - 4), std::max(th + 4, Height() - 4)};
}

std::vector<Rect> PageControl::TabRects() const {
  std::vector<Rect> out;
  const int th = TabRowHeight();
  const int top = TabsBelow() ? Height() - th - 2 : 2;
  int x = Style == tsTabs ? 2 : 0;
  for (TabSheet* page : VisibleTabs()) {
    int w = TabWidth;
    if (w <= 0) w = MeasureCaption(*this, StripAccelerator(page->Caption()), 0, false).width + 12;
    w = std::max(w, 8);
    out.push_back(Rect{x, top, x + w, top + th});
    x += w + (Style == tsTabs ? 0 : 3);
  }
  return out;
}

int PageControl::TabAt(int x, int y) const {
  const std::vector<Rect> rects = TabRects();
  const int active = TabIndex();
  // The active tab stands out two pixels on each side and is hit first.
  if (active >= 0 && active < static_cast<int>(rects.size()) &&
      PtInRect(TabsBelow() ? Rect{rects[active].left - 2, rects[active].top,
                                  rects[active].right + 2, Height()}
                           : Rect{rects[active].left - 2, 0, rects[active].right + 2,
                                  rects[active].bottom},
               x, y)) {
    return active;
  }
  for (size_t i = 0; i < rects.size(); ++i) {
    if (PtInRect(rects[i], x, y)) return static_cast<int>(i);
  }
  return -1;
}

void PageControl::Paint(Canvas& canvas) {
  SyncPages();
  const int th = TabRowHeight();
  const lpc::Color face = ToRGB(EffectiveColor());
  const lpc::Color light = ToRGB(clBtnHighlight);
  const lpc::Color shadow = ToRGB(clBtnShadow);
  const lpc::Color dark = ToRGB(cl3DDkShadow);
  const bool enabled = EnabledInTree();
  canvas.FillRect(Rect{0, 0, Width(), Height()}, face);
  const bool below = TabsBelow();
  if (Style == tsTabs) {
    // The page: raised frame beside the tab row.
    DrawEdge(canvas, below ? Rect{0, 0, Width(), Height() - th - 2} : Rect{0, th + 2, Width(), Height()},
             EdgeKind::kRaised);
  }
  const std::vector<TabSheet*> tabs = VisibleTabs();
  const std::vector<Rect> rects = TabRects();
  const int active = TabIndex();
  const lpc::Color text_color = canvas.FontColor;
  // The active tab last, over its neighbours.
  std::vector<int> order;
  for (int i = 0; i < static_cast<int>(tabs.size()); ++i) {
    if (i != active) order.push_back(i);
  }
  if (active >= 0) order.push_back(active);
  for (int i : order) {
    Rect r = rects[i];
    const bool is_active = i == active;
    if (Style == tsTabs && below) {
      // The tab hangs from the page: light on the left, the two shadows along the bottom and
      // the right, cut corners below.
      if (is_active) r = Rect{r.left - 2, r.top - 1, r.right + 2, Height()};
      canvas.FillRect(Rect{r.left + 1, r.top, r.right - 1, r.bottom - 1}, face);
      canvas.FillRect(Rect{r.left, r.top, r.left + 1, r.bottom - 2}, light);
      canvas.SetPixel(r.left + 1, r.bottom - 2, shadow);
      canvas.FillRect(Rect{r.left + 2, r.bottom - 1, r.right - 2, r.bottom}, dark);
      canvas.FillRect(Rect{r.left + 2, r.bottom - 2, r.right - 2, r.bottom - 1}, shadow);
      canvas.SetPixel(r.right - 2, r.bottom - 2, dark);
      canvas.FillRect(Rect{r.right - 1, r.top, r.right, r.bottom - 2}, dark);
      canvas.FillRect(Rect{r.right - 2, r.top, r.right - 1, r.bottom - 2}, shadow);
      if (is_active) {
        // The active tab opens into its page: no frame line over it.
        canvas.FillRect(Rect{r.left + 1, r.top - 2, r.right - 2, r.top + 1}, face);
      }
    } else if (Style == tsTabs) {
      if (is_active) r = Rect{r.left - 2, 0, r.right + 2, r.bottom + 1};
      canvas.FillRect(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom}, face);
      // Left and top in the light colour with a cut corner, right in the two shadows.
      canvas.FillRect(Rect{r.left, r.top + 2, r.left + 1, r.bottom}, light);
      canvas.SetPixel(r.left + 1, r.top + 1, light);
      canvas.FillRect(Rect{r.left + 2, r.top, r.right - 2, r.top + 1}, light);
      canvas.SetPixel(r.right - 2, r.top + 1, dark);
      canvas.FillRect(Rect{r.right - 1, r.top + 2, r.right, r.bottom}, dark);
      canvas.FillRect(Rect{r.right - 2, r.top + 2, r.right - 1, r.bottom}, shadow);
      if (is_active) {
        // The active tab opens into its page: no frame line under it.
        canvas.FillRect(Rect{r.left + 1, r.bottom - 1, r.right - 2, r.bottom + 1}, face);
      }
    } else {
      canvas.FillRect(r, face);
      if (is_active) {
        DrawEdge(canvas, r, EdgeKind::kSunken);
      } else if (Style == tsButtons) {
        DrawEdge(canvas, r, EdgeKind::kRaised);
      } else if (i + 1 < static_cast<int>(tabs.size())) {
        // Flat buttons: an etched separator between neighbours.
        canvas.FillRect(Rect{r.right + 1, r.top + 2, r.right + 2, r.bottom - 2}, shadow);
        canvas.FillRect(Rect{r.right + 2, r.top + 2, r.right + 3, r.bottom - 2}, light);
      }
    }
    canvas.FontColor = HotTrack && i == hot_ && !is_active ? ToRGB(clHotLight) : text_color;
    Rect text = rects[i];
    if (Style == tsTabs && !is_active) text = OffsetRect(text, 0, below ? -1 : 1);
    if (Style != tsTabs && is_active) text = OffsetRect(text, 1, 1);
    DrawTextInRect(canvas, text, tabs[i]->Caption(),
                   TextLayout{HAlign::kCenter, VAlign::kCenter, false, true,
                              !enabled || !tabs[i]->Enabled()});
    if (is_active && Focused()) DrawFocusRect(canvas, InsetRect(rects[i], 2));
  }
  canvas.FontColor = text_color;
}

void PageControl::MouseDown(const MouseArgs& args) {
  if (args.button == platform::MouseButton::kLeft) {
    const int i = TabAt(args.x, args.y);
    const std::vector<TabSheet*> tabs = VisibleTabs();
    if (i >= 0 && tabs[i]->Enabled()) SetActivePage(tabs[i]);
  }
  Component::MouseDown(args);
}

void PageControl::MouseMove(const MouseArgs& args) {
  const int i = TabAt(args.x, args.y);
  if (i != hot_) {
    hot_ = i;
    if (HotTrack) Invalidate();
  }
  Component::MouseMove(args);
}

void PageControl::MouseLeave() {
  if (hot_ != -1) {
    hot_ = -1;
    if (HotTrack) Invalidate();
  }
  Component::MouseLeave();
}

bool PageControl::KeyDown(int key, unsigned modifiers) {
  namespace keys = platform::keys;
  const int n = static_cast<int>(VisibleTabs().size());
  if (n == 0) return false;
  const int i = std::max(TabIndex(), 0);
  const bool ctrl = (modifiers & platform::kModCtrl) != 0;
  const bool shift = (modifiers & platform::kModShift) != 0;
  if (key == keys::kTab && ctrl) {
    SetTabIndex((i + (shift ? n - 1 : 1)) % n);
    return true;
  }
  if (key == keys::kLeft || key == keys::kUp) {
    SetTabIndex(std::max(i - 1, 0));
    return true;
  }
  if (key == keys::kRight || key == keys::kDown) {
    SetTabIndex(std::min(i + 1, n - 1));
    return true;
  }
  return false;
}

void TabSheet::SetTabVisible(bool visible) {
  TabVisible = visible;
  if (Parent()) Parent()->Invalidate();
}

void RegisterPageControl(ClassRegistry& registry) {
  Published<PageControl> p(registry.Add("TPageControl", "TWinControl", &RegisterWinControl,
                                        [] { return std::make_unique<PageControl>(); }));
  p.Reference(
      "ActivePage",
      [](PageControl& c, Component& page) {
        auto* sheet = dynamic_cast<TabSheet*>(&page);
        if (!sheet || sheet->Parent() != &c) throw PropertyValueError();
        c.SetActivePage(sheet);
      },
      [](const PageControl& c) { return c.ActivePage() ? c.ActivePage()->Name : ""; });
  p.Int("TabIndex", &PageControl::SetTabIndex, &PageControl::TabIndex);
  p.Bool(
      "HotTrack", [](PageControl& c, bool v) { c.HotTrack = v; }, &PageControl::HotTrack);
  p.Enum<PageControl::TabStyle>("Style", {"tsTabs", "tsButtons", "tsFlatButtons"},
                                &PageControl::SetStyle, &PageControl::Style);
  p.Enum<PageControl::TabPlace>("TabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"},
                                &PageControl::SetTabPosition);
  p.Int("TabHeight", &PageControl::SetTabHeight);
  p.Int("TabWidth", [](PageControl& c, int v) { c.TabWidth = std::clamp(v, 0, 10000); });
  p.Bool("MultiLine", [](PageControl& c, bool v) { c.MultiLine = v; });
  p.Ignored({"Tabs", "Tabs.Strings", "OwnerDraw", "RaggedRight", "ScrollOpposite", "Images",
             "ParentBackground"});
  IgnoreDesignerExtras(p);
}

void RegisterTabSheet(ClassRegistry& registry) {
  Published<TabSheet> p(registry.Add("TTabSheet", "TWinControl", &RegisterWinControl,
                                     [] { return std::make_unique<TabSheet>(); }));
  PublishCaption(p);
  p.Bool("TabVisible", &TabSheet::SetTabVisible, &TabSheet::TabVisible);
  p.Int("ImageIndex", [](TabSheet& c, int v) { c.ImageIndex = v; });
  p.Bool("Highlighted", [](TabSheet& c, bool v) { c.Highlighted = v; });
  // The pages keep the order they were made in.
  p.Ignored({"PageIndex", "PageControl", "ParentBackground"});
  IgnoreDesignerExtras(p);
}

}  // namespace lpc::widgets
