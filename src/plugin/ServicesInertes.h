#pragma once
// SHARED(services): services of the full application that have no effect in
// the plug-in: each takes what its callers pass, does nothing, and answers its
// fixed result. Callers rely on these results: progress never asks to stop,
// confirmation is always given, format probes recognise nothing, playback
// never starts, and drawing uses the port layer's own curves. The one
// exception is the Bezier shape drawer, which the replay of recorded paths
// needs. Every layer may call them; they are defined in
// plugin/ServicesInertes.cpp.
#include "platform/PictComments.h"
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Document;
struct Partition;
struct Portee;

// Probes of formats the plug-in does not import: always false.
bool IsFichierKaraokeMidi(const char* name);
bool IsFichierMidi(const char* name);
bool IsFichierCMF(const char* name);
bool IsFichierMod(const char* name);
bool IsFichierS3M(const char* name);
bool IsFichierBB(const char* name);
bool IsFichierMsf(const char* name);

// Progress dialog and user interaction.
int16_t IsOpenDialogueProgression();
void DoOuvreDialogueProgression(const char* title, int32_t maximum);
int16_t DoIdleDialogueProgression(int32_t value);  // never asks to stop
void DoFermeDialogueProgression();
void SetMaxDialogueProgression(int32_t maximum);
void SetTextDialogueProgression(const char* text);
int16_t Confirmation(const char* message);  // always confirmed
int16_t BreakUtilisateurQuarvel();
void ErreurGraveVrac(int16_t number);
// The general warning after an automatic change: nothing to show here.
void AvertissementVrac();
void InformationDebrayableVrac(int16_t number);
void* GFrontWindow();
void FixeFormeCurseur(int16_t shape);
void AdjustMenus();
void ScriptTraceLog(const char* text);
// The system beep: silent in the plug-in.
void SysBeep(int16_t duration);

// Window areas, ruler and palettes.
void InvalideAireRegle(Document* document);
void InvalideAireDocument(Document* document);
void InvalideAirePistesNumeriques(Document* document);
void RecalculeMaxScrollVert(Document* document);
// Horizontal scroll of the window in pixels.
int32_t GetPosPixelScroll();
void MarqueRegleSelonCibles();
void RetraceItemEnregistrement();
void ForceUpdatePaletteModePage();
void EviteAirePaletteStyle();
void SetStylePalette(const TextStyle* style);
int16_t IsPaletteHarmonique();
int16_t GetGlobalPosCaseTablature();
void SetGlobalPosCaseTablature(int16_t fret);
int16_t GetGlobalPosCordeTablature();
void SetGlobalPosCordeTablature(int16_t string);
int16_t GetPaletteRangeeAccordeon();
void SetPaletteRangeeAccordeon(int16_t row);
void SetPaletteTireAccordeon(int16_t pull);
int16_t IsPaletteTireAccordeon();
void SetPaletteSouffleHarmonica(int16_t blow);
int16_t IsPaletteSouffleHarmonica();
void SetPaletteEffetHarmonica(int16_t effect);
int16_t GetPaletteEffetHarmonica();
void AfficheCourbe(Partition** score, int32_t curve);
void AfficheCourbeParamNote(Portee** staff, int32_t note);

// Style preferences: callers keep their own default.
// Leaves the caller's style as it is.
void GetStylePref(int16_t number, TextStyle* style);
int16_t GetFontStylePref(int16_t number);
int16_t GetSizeStylePref(int16_t number);
int16_t GetFaceStylePref(int16_t number);

// Notifications to the application after model changes.
void JeTePreviensPorteesEffacees();
void JeTePreviensLoisChangent();
void JeTePreviensDureeMusiqueChange();
void JeTePreviensGrilleAccordChange();
void JeTePreviensRuptureChange();
void JeTePreviensVueChange();
void SetGrilleAccordNonCalculee();
void FixePorteeModifiee();
int16_t AjusteAccompagnementQdSupprimePortee();  // reports success
void DeleteMesuresPisteNumerique(Portee** staff, int16_t firstBar, int16_t count);
void DeleteMesuresSelectionPisteNumerique(Partition** score);
void SupprimePorteesVolatilesRythmes();
int16_t CalculeHauteurBarreAccompagnement(Partition** score);
void ClearPendingAccrochesAuto();
void MarqueAccrocheAutoDansBornes();
void FixeDefautAccrocheNote(Portee** staff, int32_t note);
void FixeNoteNonGeleeTablature(Portee** staff, int32_t note);
void LibereTabQuantizedPosPortee();
void SetDefaultParamGraceNote();
int16_t CheckFichierListeObjet(const char* name);
void CheckUTFString(char* text);
void SetProblemeAffichageUnicode();

// Sound, keyboard and devices: playback is never started.
void PauseMusique();
void DePauseMusique();
int16_t IsInExportNumerique();
void DoUpdateLyrastel();
int16_t OrganeMidiToInterface(int16_t device);  // -1: none
void MeilleurOrganeSortie();
int16_t ChargeAccordeonPreset(const char* name);
void ClavierReset();
void ClavierNoteOn(int16_t note);
void ClavierNoteOff(int16_t note);
int16_t IsClavierActive();
int16_t InitDblBufferHD();
int16_t EndDblBufferHD();
// MP3 data decodes to nothing: 0 (done) with no frame given to feedBack and
// no channel.
int32_t MP3DecodeMemory(const void* data, int32_t length, int16_t (*feedBack)(const void* frame, int16_t size),
                        int16_t* channels, int32_t* unused);
// An MP3 chunk of a digital track: nothing is decoded and nothing read; 0.
// The track reader passes its bytes over and fills its samples with silence.
int16_t DecodePisteMp3(int32_t stream, int32_t bytes, int32_t samples, int32_t delay);

// Drawing: smooth lines keep to pen strokes (0), but the shape drawer does
// draw: it fills a path in the current port with cairo, in the colour given
// (nonzero winding for overlap type 1, even-odd otherwise), anti-aliased
// unless the flag is 0, which the raster fallback of recorded paths asks for
// so that its scan sees hard edges. The other attributes, width and pen mode
// are taken and left unused.
int16_t SystemDependantCanDrawBezier();
void SystemDependantBezierShape(const BezierPoint* path, int32_t count, const BezierAttributs& attrs, float width,
                                const RGBColor& color, int16_t penMode, uint8_t flag);
