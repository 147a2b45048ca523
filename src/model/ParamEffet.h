#pragma once
// A note's effect record (marks and ornaments, grace notes, arpeggio, the ends
// of ties, slurs and beam links), held in its staff's list; a record whose
// first byte is non-zero is a free slot that the next allocation reuses. The
// marks of a note are a handle of Mark records held by its effect record.
#include "model/QrvLiaison.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;

// Mark codes with a meaning of their own in the model.
enum : uint8_t {
  kMarkHammerOn = 1,
  kMarkPullOff = 2,
  kMarkGhost = 11,    // velocity 30, head shape 3
  kMarkDoigte0 = 22,  // fingering 0 to 5: codes 22 to 27
  kMarkDoigte5 = 27,
  kMarkGruppetto = 29,
  kMarkPointOrgue = 49,
  kMarkPointOrgueInverse = 50,
  kMarkStaccato = 60,
  kMarkCommaPremier = 77,  // comma marks 77 to 82
  kMarkCommaDernier = 82,
  kMarkArpege = 98,          // 'b'
  kMarkLienGraphique = 106,  // 'j': stands for a graphic object
  kMarkN = 110,              // 'n'
};

// One mark or ornament of a note.
struct Mark {
  uint8_t code;             // mark code
  uint8_t param1;           // placement kind (the reader's position byte)
  uint8_t param2;           // x offset in points (signed)
  uint8_t param3;           // y offset in points (signed; positive moves up)
  uint8_t octet4;           // 1: placement and ornament follow the stem direction
  uint8_t actif;            // 1; only enabled marks set effect flags
  uint8_t octet6;           // 0; non-zero keeps the mark out of automatic placement
  double valeur;            // 0
  int8_t decalageVertical;  // the reader's byte after the value
  uint32_t idGraphique;     // code 106: id of the graphic object (Part of the graphic objects)
  uint32_t idGraphique2;    // code 106: the second stored id
  uint16_t motsN[2];        // 600 and 1800 for code 110, else 0
  uint8_t bitsN;            // bit 0: the code is 110
  uint8_t octetN;
  uint16_t motN;
  uint8_t bitsDerives;
  uint8_t octetN248;  // 248 for code 110, else 0
  // Fields the document reader fills.
  uint16_t police;    // font id of the mark's text, 0 none
  uint16_t encodage;  // text encoding of the text
  uint8_t octetsLecteur[4];
  uint16_t motLecteur;
  uint16_t valeursN[4];  // the remaining words of a code-110 mark
  uint8_t glyphe;        // code 99: music-font glyph of a free accidental, 0 none
  // What the mark drawing reads besides the placement (0 gives the defaults).
  uint8_t invisible;       // drawn only where invisible marks are shown
  uint8_t selectionne;     // framed after drawing
  uint16_t tailleTexte;    // low byte: text size in points (0 automatic); high byte: face bits
  uint16_t couleur;        // colour index; 0 = the staff's
  uint16_t justification;  // user texts; the rotation of a linked graphic (106)
  float echelle;           // picture scale of a linked graphic (106); 0 counts as 1
  int8_t courbeEpaisseur;  // free curve (110): thickness, tension in hundredths, end offset
  uint16_t courbeTension;
  int8_t courbeFinDx;
  int8_t courbeFinDy;
  char texte[513];   // UTF-8 text (codes 99 and 100)
  char chaine[129];  // UTF-8 string stored after it
};

// One grace-note slot. The first slot whose used byte is 0 ends the list.
struct GraceNote {
  uint8_t utilise;
  // AddGraceNote's "pitch" argument lands here; the drawing reads it as the
  // after-note flag (0 = before the note), which is what the old files store.
  uint8_t apres;
  int8_t decalage;     // pitch offset from the main note
  uint8_t alteration;  // accidental byte, 2 = none
  int8_t decalageDuree;
  uint8_t octet5;   // 255
  uint8_t accord;   // bit 0: the next slot is in the same grace chord
  uint8_t liaison;  // bit 0: copied into the grace note's flag bit 13
};

constexpr int kNbGraceNotes = 10;
// The layout bytes of a grace series (ParamEffet::quatreOctets).
enum : int {
  kGraceOctetDuree = 0,      // grace value in 64ths of a quarter note (32: eighths)
  kGraceOctetCoule = 1,      // slurred to the main note
  kGraceOctetBarre = 2,      // a lone stem is slashed
  kGraceOctetQueueEnBas = 3  // stems down
};
// A note carries at most this many marks.
constexpr int32_t kMaxMarks = 1024;

struct ParamEffet {
  uint8_t libre;  // 0 in use, 1 free
  uint8_t octet1;
  int32_t note;  // owning note, -1 none; refreshed by the link collection
  // Drawing caches of the tie.
  uint32_t liaisonFormeType;  // copied from the tie block
  uint8_t liaisonMemeDebut;   // both ends start at the same tick
  int16_t liaisonMot;         // a copy of a tie-block word
  int16_t liaisonIntervalle;  // pitch interval to the destination note
  uint16_t liaisonComma;      // comma value of the destination note
  uint8_t bend;               // marks 8 to 10
  int32_t bendValeurs[2];
  uint16_t bendMot;
  uint8_t flag13;  // marks 13 and 35
  int32_t valeurs13[2];
  uint8_t flag21;  // mark 21
  int32_t valeurs21[2];
  uint8_t trille;            // marks 31 to 34
  uint8_t trilleData[4];     // mark code, 1, 32, 100
  uint16_t mot1;             // 1
  int16_t ornementDecalage;  // drawing cache: pitch of the step above a trill
  uint8_t ornement;          // marks 29, 30, 36 to 39
  uint16_t ornementCode;
  uint16_t ornementTaille;         // 32
  int16_t ornementAlterations[4];  // drawing cache
  uint8_t tremolo;                 // marks 51 to 54
  uint16_t tremoloValeur;          // 128, 64, 32 or 16
  uint8_t flags3[3];               // marks 1, 2 / 59, 65, 66, 69, 70, 73, 74 / 43, 57, 58
  int16_t repetitions[2];          // marks 43, 57, 58
  uint16_t mot100;                 // 100
  uint16_t pointOrgue;             // 200 for marks 49 and 50: a fermata's length, in percent of the note's
  // Sustain pedal pressed or released on the note, as old documents stored
  // it; converted into pedal dynamics after loading.
  uint8_t pedaleEnfoncee;
  uint8_t pedaleRelachee;
  Handle marks;             // Mark records; null = none
  uint8_t sansGraces;       // non-zero: the grace notes are not drawn
  uint16_t mot32;           // 32: grace size
  uint8_t quatreOctets[4];  // ' ', 0, 1, 1: the grace series' layout bytes (kGraceOctet*)
  // Settings of the grace series that documents do not store: its stems end
  // on one beam line; its x offset (72-dpi units).
  uint8_t graceLierTout;
  int8_t graceDecalageX;
  GraceNote graces[kNbGraceNotes];
  uint16_t comma;             // from marks 77 to 82
  int16_t arpegeDebut;        // 0
  int16_t arpegePas;          // 20
  uint16_t arpegeDescendant;  // 0
  uint16_t mot2;              // 0
  uint16_t mot4;              // 4
  DataLiaison liaison;        // tie or slur
  DataAccroche accroche;      // beam link
  uint8_t garde;              // non-zero keeps the record in use
  uint8_t liaisonGraces;      // slur over the grace notes
  uint16_t motsFin[3];        // 0, 4, 1: the last words the reader fills
  // Stored values of no known use, kept as read: the first and third words
  // of the triple whose second is mot100, and the string stored last.
  uint16_t valeursLues[2];
  char chaine[129];
};

// ---- The staff's list.
// A new record in a list of at most 65534; -1 when full.
int32_t NewParamEffetBrt(Handle* handle, uint16_t* count);
// A new record for a note of the staff: its index fits the note's 16-bit
// field (at most 32767), else -1 and nothing changes.
int32_t NewParamEffet(Portee** staff);
void InitDefaultParamEffet(Portee** staff, ParamEffet* effect);
void DeleteParamEffet(Portee** staff, int32_t index);
int16_t DeleteParamEffetSiInutile(Portee** staff, int32_t index);
int16_t GetDataParamEffet(Portee** staff, int32_t index, ParamEffet* out);
void DeleteDataParamEffetPtr(ParamEffet* effect);
void DeleteTabMark(Handle* marks);
void DisposeParamEffetsHandle(Handle handle, int32_t count);
// Frees the staff's effect records with their marks; count 0, handle null.
void DisposeParamEffetsPortee(Portee** staff);
// The staff's records, or null; *count gets the count bounded by the handle.
ParamEffet* GetParamEffetsPortee(Portee** staff, int32_t* count);
ParamEffet* GetParamEffetNote(Portee** staff, const Signe* note);
ParamEffet* GetParamEffetIndexNote(Portee** staff, int32_t index);
void CheckLeakParamEffetsPortee(Portee** staff);

// ---- Marks.
int32_t AddMarkNote(Portee** staff, int32_t index, uint8_t code, uint8_t p2, uint8_t p3, uint8_t p1);
int16_t IsMarkInParamEffet(const ParamEffet* effect, uint8_t code, uint8_t* actif);
int16_t GetNbMarksParamEffetPtr(const ParamEffet* effect);
int16_t GetNbMarks(Handle marks);
void SupprimeOrnementNote(Portee** staff, int32_t index, int32_t mark);
void SuppprimeToutesMarkNotesPortee(Portee** staff);
int16_t AppliqueParamEffetSelonMark(ParamEffet* effect, Signe* notes, int32_t index, int32_t count, uint8_t code);
void EnleveMarkSurNote(Signe* notes, int32_t index, int32_t count, uint8_t code);
int16_t ReajusteParamEffet(ParamEffet* effect);
int16_t GetValCommaStd(uint8_t code);
int16_t GetDoigtePiano(Portee** staff, const Signe* note);

// ---- Grace notes and arpeggios.
void AjusteParamEffetSurSilence(ParamEffet* effect);
void AppliqueArpeggio(Signe* notes, int32_t index, int32_t count, int16_t start, int16_t step, uint16_t descending);
void RecalculeArpeggio(Portee** staff);
int16_t AddGraceNote(Portee** staff, int32_t index, uint8_t pitch, uint8_t p2, uint8_t p3, int16_t reset,
                     int32_t position);

// ---- Drawing caches.
void PrepareParamEffetsSigne(Portee** staff, const Signe* drawn, int32_t index);
