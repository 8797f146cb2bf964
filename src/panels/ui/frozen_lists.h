#pragma once

#include <QTreeView>

#include "panels/ui/panel_host.h"

namespace tollhaven {

// While files change under them, neither list is redrawn; both are again once this goes.
class FrozenLists {
 public:
  explicit FrozenLists(PanelHost& host) : host_(host) {
    for (int side : {kLeft, kRight}) {
      host_.list(side)->setUpdatesEnabled(false);
    }
  }
  ~FrozenLists() {
    for (int side : {kLeft, kRight}) {
      host_.list(side)->setUpdatesEnabled(true);
    }
  }
  FrozenLists(const FrozenLists&) = delete;
  FrozenLists& operator=(const FrozenLists&) = delete;

 private:
  PanelHost& host_;
};

}  // namespace tollhaven
