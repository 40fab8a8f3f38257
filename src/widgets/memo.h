// A multi-line text shown with word wrap and a vertical scroll bar when the lines do not fit.
// Published as "TMyMemo" and "TMemo"; Text sets all lines at once (split at line breaks).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "widgets/component.h"
#include "widgets/properties.h"
#include "widgets/scroll_bar.h"

namespace lpc::widgets {

// "TMyMemo" (the name descriptions use) and "TMemo": the same class under two names.
void RegisterMemo(ClassRegistry& registry);
void RegisterMemoUnderStockName(ClassRegistry& registry);

class Memo : public Component {
 public:
  enum ScrollBars { ssNone, ssHorizontal, ssVertical, ssBoth };
  Memo();
  ~Memo() override;
  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);
  // The lines joined with CR LF.
  std::string Text() const;
  void SetText(const std::string& text);
  void SetCaption(const std::string& caption) override { SetText(caption); }

  bool ReadOnly = false;
  bool WordWrap = true;
  bool BorderSingle = true;
  ScrollBars ScrollBarsMode = ssNone;  // a vertical bar shows anyway when the text is taller
  TextAlignment Alignment = taLeftJustify;
  // Each sets its field and repaints.
  void SetReadOnly(bool read_only);
  void SetBorderSingle(bool single);
  void SetWordWrap(bool word_wrap);
  void SetScrollBars(ScrollBars mode);
  void SetAlignment(TextAlignment alignment);

  // The lines after wrapping, and the first of them shown.
  std::vector<std::string> WrappedLines() const;
  int TopLine() const;
  void SetTopLine(int line);
  bool ScrollBarShown() const;
  const ScrollBar& VerticalBar() const { return *bar_; }

  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  void MouseMove(const MouseArgs& args) override;
  void MouseUp(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  void Timer(int id) override;
  void Resized() override { Relayout(); }
  void Loaded() override { Relayout(); }

 private:
  Rect TextArea() const;
  int LineHeight() const;
  int VisibleLines() const;
  // Recomputes the wrap and the scroll bar's range.
  void Relayout();
  std::vector<std::string> lines_;
  std::unique_ptr<ScrollBar> bar_;
  bool bar_tracking_ = false;
};

}  // namespace lpc::widgets
