#pragma once
// Staff-height events.
struct Portee;

void DisposeStaffHeightEvts(Portee** staff);
