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
// Leaves the caller's style as it is.
void GetStylePref(int16_t number, TextStyle* style);
