// A drop-down list (the list-only style): the chosen item in a sunken box with a button; the
// list opens over the dialog on a click, Alt+Down or F4. Up/Down/Home/End choose without
// opening; in the open list the pointer highlights and a click chooses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/component.h"
#include "widgets/properties.h"

namespace lpc::widgets {

// "TComboBox".
void RegisterComboBox(ClassRegistry& registry);

class ComboBox : public Component {
 public:
  ComboBox();
  ~ComboBox() override;
  bool IsWindowed() const override { return true; }
  bool WantsArrows() const override { return true; }

  std::vector<std::string> Items;
  int ItemIndex() const { return item_index_; }
  // -1 clears the choice. Does not fire OnChange. An index past the items is kept until Loaded,
  // since layouts write ItemIndex before the items.
  void SetItemIndex(int index);
  void Loaded() override;
  std::string Text() const;
  std::function<void(Component&)> OnChange;
  int DropDownCount = 8;
  int ItemHeight() const;

  bool DroppedDown() const;
  void DropDown();
  void CloseUp();
  // The item the open list highlights.
  int HotItem() const { return hot_; }

  void Paint(Canvas& canvas) override;
  void MouseDown(const MouseArgs& args) override;
  bool KeyDown(int key, unsigned modifiers) override;
  void FocusChanged(bool focused) override;

 private:
  class List;
  friend class List;
  void Choose(int index);  // sets the index and fires OnChange when it changed
  int item_index_ = -1;
  int pending_index_ = -1;
  int hot_ = -1;
  int top_ = 0;  // first item shown in the list
  std::unique_ptr<List> list_;
};

}  // namespace lpc::widgets
