#include "plugin/ServicesInertes.h"

void PauseMusique() {}
void DePauseMusique() {}
void JeTePreviensPorteesEffacees() {}
void JeTePreviensLoisChangent() {}
void LibereTabQuantizedPosPortee() {}
void SupprimePorteesVolatilesRythmes() {}
int16_t AjusteAccompagnementQdSupprimePortee() { return 1; }
void GetStylePref(int16_t, TextStyle*) {}
