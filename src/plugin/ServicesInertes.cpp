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
void SysBeep(int16_t) {}
void GetStylePref(int16_t, TextStyle*) {}
void InvalideAireRegle(Document*) {}
void MarqueRegleSelonCibles() {}
void MarqueAccrocheAutoDansBornes() {}
int32_t GetPosPixelScroll() { return 0; }
int16_t SystemDependantCanDrawBezier() { return 0; }
void SystemDependantBezierShape(const BezierPoint*, int32_t, int16_t, int16_t, int16_t, int16_t, float, float,
                                const RGBColor*, int16_t, uint8_t) {}
void ScriptTraceLog(const char*, ...) {}
