#pragma once
// Playback position and stop. Nothing ever plays in the plug-in. The state
// the model asks for is declared in sound/ServicesSon.h.
#include "sound/ServicesSon.h"

struct Document;
// The document being played; none in the plug-in.
Document* GetDialogMusiqueEnCours();
