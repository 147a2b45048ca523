#pragma once
// The standard five-line staff (type 0) and drums on a standard staff (type 8).
#include "platform/PlatformTypes.h"

struct Portee;

void InitPorteeQuarvel(Portee** staff);
void InitPorteeBatterieStd(Portee** staff);
// Line-shown flag of staff line position n (-5 to 10); other positions read
// as hidden and are ignored on write.
bool IsAfficheLignePortee(Portee** staff, int16_t n);
void SetAfficheLignePortee(Portee** staff, int16_t n, uint8_t shown);

struct DivisionTemporelle;
// Seam, kept by the standard staff's drawing: the numerator and denominator
// texts of a time signature (each at least 16 bytes); 1 for a symbol.
int16_t CvtDivisionTemporelleEnString(const DivisionTemporelle* division, char* top, char* bottom);
