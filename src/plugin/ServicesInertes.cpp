#include "plugin/ServicesInertes.h"

bool IsFichierKaraokeMidi(const char*) { return false; }
bool IsFichierMidi(const char*) { return false; }
bool IsFichierCMF(const char*) { return false; }
bool IsFichierMod(const char*) { return false; }
bool IsFichierS3M(const char*) { return false; }
bool IsFichierBB(const char*) { return false; }
bool IsFichierMsf(const char*) { return false; }

int16_t IsOpenDialogueProgression() { return 0; }
void DoOuvreDialogueProgression(const char*, int32_t) {}
int16_t DoIdleDialogueProgression(int32_t) { return 0; }
void DoFermeDialogueProgression() {}
void SetMaxDialogueProgression(int32_t) {}
void SetTextDialogueProgression(const char*) {}
int16_t Confirmation(const char*) { return 1; }
int16_t BreakUtilisateurQuarvel() { return 0; }
void ErreurGraveVrac(int16_t) {}
void AvertissementVrac() {}
void InformationDebrayableVrac(int16_t) {}
void* GFrontWindow() { return nullptr; }
void FixeFormeCurseur(int16_t) {}
void AdjustMenus() {}
void ScriptTraceLog(const char*) {}
void SysBeep(int16_t) {}

void InvalideAireRegle(Document*) {}
void InvalideAireDocument(Document*) {}
void InvalideAirePistesNumeriques(Document*) {}
void RecalculeMaxScrollVert(Document*) {}
int32_t GetPosPixelScroll() { return 0; }
void MarqueRegleSelonCibles() {}
void RetraceItemEnregistrement() {}
void ForceUpdatePaletteModePage() {}
void EviteAirePaletteStyle() {}
void SetStylePalette(const TextStyle*) {}
int16_t IsPaletteHarmonique() { return 0; }
int16_t GetGlobalPosCaseTablature() { return 0; }
void SetGlobalPosCaseTablature(int16_t) {}
int16_t GetGlobalPosCordeTablature() { return 0; }
void SetGlobalPosCordeTablature(int16_t) {}
int16_t GetPaletteRangeeAccordeon() { return 0; }
void SetPaletteRangeeAccordeon(int16_t) {}
void SetPaletteTireAccordeon(int16_t) {}
int16_t IsPaletteTireAccordeon() { return 0; }
void SetPaletteSouffleHarmonica(int16_t) {}
int16_t IsPaletteSouffleHarmonica() { return 0; }
void SetPaletteEffetHarmonica(int16_t) {}
int16_t GetPaletteEffetHarmonica() { return 0; }
void AfficheCourbe(Partition**, int32_t) {}
void AfficheCourbeParamNote(Portee**, int32_t) {}

void GetStylePref(int16_t, TextStyle*) {}
int16_t GetFontStylePref(int16_t) { return 0; }
int16_t GetSizeStylePref(int16_t) { return 0; }
int16_t GetFaceStylePref(int16_t) { return 0; }

void JeTePreviensPorteesEffacees() {}
void JeTePreviensLoisChangent() {}
void JeTePreviensDureeMusiqueChange() {}
void JeTePreviensGrilleAccordChange() {}
void JeTePreviensRuptureChange() {}
void JeTePreviensVueChange() {}
void SetGrilleAccordNonCalculee() {}
void FixePorteeModifiee() {}
int16_t AjusteAccompagnementQdSupprimePortee() { return 1; }
void DeleteMesuresPisteNumerique(Portee**, int16_t, int16_t) {}
void DeleteMesuresSelectionPisteNumerique(Partition**) {}
void SupprimePorteesVolatilesRythmes() {}
int16_t CalculeHauteurBarreAccompagnement(Partition**) { return 0; }
void ClearPendingAccrochesAuto() {}
void MarqueAccrocheAutoDansBornes() {}
void FixeDefautAccrocheNote(Portee**, int32_t) {}
void FixeNoteNonGeleeTablature(Portee**, int32_t) {}
void LibereTabQuantizedPosPortee() {}
void SetDefaultParamGraceNote() {}
int16_t CheckFichierListeObjet(const char*) { return 0; }
void CheckUTFString(char*) {}
void SetProblemeAffichageUnicode() {}

void PauseMusique() {}
void DePauseMusique() {}
int16_t IsInExportNumerique() { return 0; }
void DoUpdateLyrastel() {}
int16_t OrganeMidiToInterface(int16_t) { return -1; }
void MeilleurOrganeSortie() {}
int16_t ChargeAccordeonPreset(const char*) { return 0; }
void ClavierReset() {}
void ClavierNoteOn(int16_t) {}
void ClavierNoteOff(int16_t) {}
int16_t IsClavierActive() { return 0; }
int16_t InitDblBufferHD() { return 0; }
int16_t EndDblBufferHD() { return 0; }
int32_t MP3DecodeMemory(const void*, int32_t, int16_t (*)(const void*, int16_t), int16_t* channels, int32_t*) {
  if (channels) *channels = 0;
  return 0;
}
int16_t DecodePisteMp3(int32_t, int32_t, int32_t, int32_t) { return 0; }

int16_t SystemDependantCanDrawBezier() { return 0; }
void SystemDependantBezierShape(const BezierPoint* path, int32_t count, const BezierAttributs& attrs, float,
                                const RGBColor& color, int16_t, uint8_t flag) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  QDFillBezierPath(port, path, count, attrs, color, flag != 0);
}
