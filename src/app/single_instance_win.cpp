#include <windows.h>

#include "app/single_instance.h"

namespace tollhaven {

bool ClaimSingleInstance() {
  HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kInstanceName);
  if (existing != nullptr) {
    CloseHandle(existing);
    return false;
  }
  // Owned by this process and never released: it goes away when the process ends.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kInstanceName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    return false;
  }
  return true;
}

}  // namespace tollhaven
