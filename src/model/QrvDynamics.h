#pragma once
// Dynamics objects of a staff: velocity levels, hairpins, octave shifts,
// tempo marks and pedal marks. After loading, the preparation turns them into
// each staff's velocity events, pass by pass through the played bars, and
// applies the octave shifts to the notes' sounding pitches.
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"
#include "text/TextStyle.h"

struct Document;
struct Partition;
struct Portee;

// Dynamic types.
enum : int32_t {
  kDynAucune = 0,
  kDynCrescendo = 1,
  kDynDecrescendo = 2,
  kDynPremiereNuance = 3,  // velocity levels 3 (ppp) to 10 (fff)
  kDynDerniereNuance = 10,
  kDynDerniereMarque = 17,  // 11 to 17: further accents and levels
  kDynOctavePlus1 = 18,
  kDynOctaveMoins1 = 19,
  kDynOctavePlus2 = 20,
  kDynOctaveMoins2 = 21,
  kDynTempo = 22,
  kDynPedaleEnfoncee = 23,
  kDynPedaleRelachee = 24,
};

// Classes of the types (CalculeClasseDynamique).
enum : int16_t {
  kClasseDynAucune = 0,
  kClasseDynNiveau = 1,    // a velocity level in force from its start
  kClasseDynSoufflet = 2,  // a hairpin: a ramp from value 1 to value 2
  kClasseDynOctave = 3,
  kClasseDynTempo = 4,
  kClasseDynPedale = 5,
};

// Passes 1 to 30 (bits 0 to 29).
constexpr uint32_t kMasquePassagesTous = 0x3FFFFFFF;
constexpr int32_t kNbPassagesMasque = 30;

struct Dynamique {
  int32_t type;
  char texte[512];           // UTF-8; old documents' converted levels hold "($X)"
  TextStyle style;           // font 20, face 3, size 12
  uint8_t actif;             // 1: the object makes velocity events
  uint8_t partitionEntiere;  // applies to every staff of the score
  uint8_t porteeSeule;       // in a merged group, applies to its own staff only
  uint8_t accolade;          // applies to every staff of the brace that holds the staff
  int32_t debut;             // ticks
  int32_t fin;               // hairpins: end of the ramp; levels and tempo marks: start + a quarter
  int32_t haut;              // object units from the staff band's reference line, negative above
  int32_t bas;
  int16_t decalageGauche;  // piano-roll units at zoom 72
  int16_t decalageDroite;
  int16_t couleur;  // colour index, drawn only with couleurPropre
  uint8_t couleurPropre;
  uint16_t valeur1;          // velocity percent (a hairpin's start), or a tempo's integer part
  uint16_t valeur2;          // a hairpin's end percent, or a tempo's hundredths
  uint32_t masquePassages;   // bit p: applies on pass p + 1 through its bar
  uint8_t relatif;           // values are percents of the level in force
  int32_t uniteTempo;        // note value a tempo counts, in ticks (a quarter)
  int32_t flagTempo;         // 1 for tempo marks
  uint8_t progressif;        // tempo marks: the change spreads from start to end (drawn as a line)
  uint8_t tempoAffiche;      // tempo marks: the reference note and number are shown
  uint16_t forme1;           // progressive tempo: percent of the change reached at a third
  uint16_t forme2;           // and at two thirds (33 and 66)
  uint8_t visible;           // 0: drawn only while guide marks are shown
  uint8_t cache;             // never drawn
  int16_t angle;             // degrees, counter-clockwise
  int16_t taille;            // size in percent of the staff's (100)
  uint32_t alignementTempo;  // tempo marks: 2 sets the reference note against the right edge
  // Note-relative start kept across structural edits.
  int32_t ancrePreserve;
  int32_t decalagePreserve;
};

// One velocity event of a staff. The record it comes from is named by its
// staff's index and its index in that staff's list: lists are sorted once
// per preparation and events never point into them.
struct EvtDynamique {
  int16_t portee;
  int16_t dynamique;
  uint8_t restaure;  // ends the object's effect on a pass where it does not apply
  uint8_t relatif;
  int32_t debut;  // played ticks
  int32_t fin;
  uint16_t valeur1;
  uint16_t valeur2;
};

// ---- The list.
// The staff's records, or null; *count gets the count bounded by the handle.
Dynamique* GetDynamiquesPortee(Portee** staff, int32_t* count);
// Appends a zero-filled record; its index, or -1 when the list cannot grow.
int32_t NewDynamique(Portee** staff);
void SetDefaultDynamique(Dynamique* record, int32_t type);
// Removes a record: 1 for a tempo mark, 0 otherwise, 255 for a bad index.
// With notify, a tempo mark's removal rebuilds the tempo curve.
int16_t DeleteDynamique(Portee** staff, int32_t index, bool notify);
void DisposeDynamiques(Portee** staff);

// ---- Types and values.
int32_t AjouteObjetVelocite(Partition** score, Portee** staff, int32_t start, int32_t end, uint16_t value1,
                            uint16_t value2);
int32_t CvtPourcentVelociteEnTypeDynamique(int32_t percent);
int32_t CvtTypeDynamiqueEnPourcentVelocite(int32_t type);
int16_t CalculeClasseDynamique(int32_t type);
// The velocity percent in force at a written tick, -1 when none.
int32_t ApproximeVelociteSelonTempsEcrit(Portee** staff, int32_t tick);
void CvtDynamiqueEnIndexNotes(Portee** staff, const Dynamique* record, int32_t* first, int32_t* last);
bool IsSectDynamique(Partition** score, const Dynamique* record, int32_t t0, int32_t t1);
int32_t CompareDynamique(const Dynamique* a, const Dynamique* b);

// ---- Areas and drawing.
int16_t CalculeAireDynamiqueRuban(Document* document, Portee** staff, int32_t index, BigRect* out);
// Draws the staff's dynamics meeting [t0, t1]; a negative x offset places
// them through the page locator. Returns 1.
int16_t AfficheDynamiquesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t t0, int32_t t1);

// ---- Edits.
// Cuts [t0, t1) out of the dynamics; keep moves the objects inside the range
// to t0 instead of removing them.
void DeleteTimeRangeDynamiques(Portee** staff, int32_t t0, int32_t t1, bool keep);
void DeleteMesureDynamiques(Portee** staff, int32_t firstBar, int32_t count);
// Dynamics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionDynamiques(Partition** score, int16_t mode);
void RestaurePositionDynamiques(Partition** score, int16_t mode);

// ---- Preparation.
// Rebuilds every staff's events and sounding pitches, then the tempo curve.
void PrepareDynamiquesPartition(Partition** score);
// One staff's pass: pass 1 applies its score-wide records to every staff,
// pass 0 its own records.
void PrepareDynamiquePortee(Partition** score, Portee** staff, int16_t pass);
// The record at an index of the owner's list applied to a staff, or with no
// staff to every staff.
void AppliqueOctaveDynamique(Partition** score, Portee** staff, Portee** owner, int32_t index, int16_t octaves);
void AppliqueVelociteDynamique(Partition** score, Portee** staff, Portee** owner, int32_t index);
// Inserts an event, replacing the one with the same start.
void AjouteEvenementDynamique(Portee** staff, int16_t ownerIndex, int16_t recordIndex, bool restore, bool relative,
                              uint16_t value1, uint16_t value2, int32_t start, int32_t end);
// The staff's events, or null; *count gets their number.
EvtDynamique* GetEvtDynamiquesPortee(Portee** staff, int32_t* count);
// The record an event comes from, or null when its staff or index is gone.
Dynamique* GetDynamiqueEvt(Partition** score, const EvtDynamique* event);
void LibereEvtDynamiquesPortee(Portee** staff);
void LibereEvtDynamiquesPartition(Partition** score);

// ---- Old documents.
// Makes explicit the level in force at each repeat or jump target.
void ConvertitNuancesAncienFormat(Partition** score);
// Pedal presses and releases stored in the notes' effect records become pedal
// objects, one per sixteenth at most.
void CvtOldParamEffetPedaleEnDynamique(Partition** score);
// Adds (or merges into a neighbour) a pedal object: value 0 releases. The new
// index, -1 when merged, or NewDynamique's negative result.
int32_t AjouteObjetPedale(Portee** staff, int32_t tick, uint16_t value, int32_t height);
