#pragma once
// Services of the full application that have no effect in the plug-in: each
// answers with its fixed result.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

void PauseMusique();
void DePauseMusique();
void JeTePreviensPorteesEffacees();
void JeTePreviensLoisChangent();
void LibereTabQuantizedPosPortee();
void SupprimePorteesVolatilesRythmes();
int16_t AjusteAccompagnementQdSupprimePortee();
void SetGrilleAccordNonCalculee();
void SetDefaultParamGraceNote();
void FixePorteeModifiee();
// The general warning after an automatic change: nothing to show here.
void AvertissementVrac();
// The system beep: silent in the plug-in.
void SysBeep(int16_t duration);
// Leaves the caller's style as it is.
void GetStylePref(int16_t number, TextStyle* style);
struct Document;
void InvalideAireRegle(Document* document);
void MarqueRegleSelonCibles();
void MarqueAccrocheAutoDansBornes();
// Horizontal scroll of the window in pixels.
int32_t GetPosPixelScroll();
