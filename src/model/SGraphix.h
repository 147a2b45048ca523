#pragma once
// Graphic objects of a staff.
struct Portee;

void DisposeGraphiques(Portee** staff);
