#pragma once
// Singing-voice parameters of staves. What the model and the lyrics
// language detection call is declared in sound/ServicesSon.h.
#include "sound/ServicesSon.h"

// Reads a staff's stored voice section (documents from 7.30).
void ReadParamsLyrastel(Portee** staff);
