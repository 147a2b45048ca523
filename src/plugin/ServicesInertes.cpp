#include "plugin/ServicesInertes.h"

void PauseMusique() {}
void DePauseMusique() {}
void JeTePreviensPorteesEffacees() {}
void JeTePreviensLoisChangent() {}
void LibereTabQuantizedPosPortee() {}
void SupprimePorteesVolatilesRythmes() {}
int16_t AjusteAccompagnementQdSupprimePortee() { return 1; }
void SetGrilleAccordNonCalculee() {}
void SetDefaultParamGraceNote() {}
void FixePorteeModifiee() {}
void AvertissementVrac() {}
void SysBeep(int16_t) {}
void GetStylePref(int16_t, TextStyle*) {}
void InvalideAireRegle(Document*) {}
void MarqueRegleSelonCibles() {}
void MarqueAccrocheAutoDansBornes() {}
int32_t GetPosPixelScroll() { return 0; }
