#pragma once

class QDialog;
class QHBoxLayout;

namespace tollhaven {

// The OK and Cancel buttons of a small dialog, right-aligned in a row for the dialog's layout:
// OK is the default button and accepts, Cancel rejects; each carries the dialog's own control id.
QHBoxLayout* OkCancelRow(QDialog* dialog, int okId, int cancelId);

}  // namespace tollhaven
