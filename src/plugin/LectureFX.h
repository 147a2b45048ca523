#pragma once
// Sound-effect settings and sound-effect objects as native documents store
// them (big-endian, fields gated on the version being read).
#include "platform/PlatformTypes.h"

struct FX;
struct ParamFX;

// Reads a settings block over the one given; what the file's version lacks
// keeps the value it had (the defaults, for a block made by
// SetDefaultParamFX). False when the stream ended.
bool ReadFXParam(ParamFX* block);
// Reads a sound-effect object: its definition, area and settings. False when
// the stream ended or a stored text style cannot be read.
bool ReadFX(FX* record);
