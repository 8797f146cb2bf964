#pragma once

#include <QTreeView>

#include "app/main_window.h"

namespace tollhaven {

// While files change under them, neither list is redrawn; both are again once this goes.
class FrozenLists {
 public:
  explicit FrozenLists(MainWindow& window) : window_(window) {
    for (int side : {kLeft, kRight}) {
      window_.list(side)->setUpdatesEnabled(false);
    }
  }
  ~FrozenLists() {
    for (int side : {kLeft, kRight}) {
      window_.list(side)->setUpdatesEnabled(true);
    }
  }
  FrozenLists(const FrozenLists&) = delete;
  FrozenLists& operator=(const FrozenLists&) = delete;

 private:
  MainWindow& window_;
};

}  // namespace tollhaven
