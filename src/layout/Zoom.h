#pragma once
// Destination resolution and the score's zoom and screen scale.
#include "platform/PlatformTypes.h"

struct Partition;

int16_t GetDpiDest();
void SetDpiDest(int16_t dpi);  // 0 becomes 1
// Destination resolution = the score's zoom x screen scale (72 without a score).
void SetDpiPartition(Partition** score);
// Changes the screen scale when it differs by more than 0.0001 and brings the
// bar tables up to date.
void SetEchelleEcran(Partition** score, float scale);
// A 72-dpi length at the destination resolution and back; a non-zero length
// never scales to 0.
int32_t Zoom(int32_t v);
int32_t DeZoom(int32_t v);
