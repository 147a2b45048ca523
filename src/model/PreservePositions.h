#pragma once
// Preserve and restore of note-anchored objects around structural edits.
#include "platform/PlatformTypes.h"

void SetIsPreserveObjects(uint8_t flag);
uint8_t GetIsPreserveObjects();
