#include "model/StaffHeightEvts.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeStaffHeightEvts(Portee** staff) {
  if (!staff) return;
  if ((*staff)->staffHeightEvts) DisposeHandle((*staff)->staffHeightEvts);
  (*staff)->staffHeightEvts = nullptr;
}
