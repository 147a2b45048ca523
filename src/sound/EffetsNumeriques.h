#pragma once
// The document's output-wide effects (reverb, surround, noise reduction,
// bass boost, gain control, equaliser).
#include "model/Document.h"
#include "sound/ServicesSon.h"

// Documents older than the equaliser get bands from their bass boost and
// noise reduction.
void ConvertOldDocumentDigitalEffectsToHQ(EffetsSortieDocument* effects);
