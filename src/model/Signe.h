#pragma once
// The note record: one entry of a staff's time-ordered note array, and every
// operation that inserts records into that array or removes them from it.
//
// This header is the one definition of the record's flags and bytes. The
// note editing, the document reader, the spacing engine and the drawing all
// read the same record; where they gave a bit two meanings, the meaning kept
// here is the one the note editing relies on, and the other use is recorded
// beside it.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// Kinds: 0 or more is a note and its MIDI pitch (60 middle C); negative kinds
// are rests and signs, stored on disk as the unsigned bytes 255 to 252.
enum : int8_t {
  // 255: a rest. With flag kSigneCache it is a hidden rest, which the chord
  // drawer shows as a grey marker only while guide marks are shown (the
  // drawing's "hidden marker" is that same record, not another kind).
  kSigneSilence = -1,
  // 254: a filler rest that only keeps a bar full (the drawing's ghost rest).
  // Bar scales count it as a rest.
  kSigneSilenceFantome = -2,
  kSigneSpecial = -3,            // 253: repeat-the-last-bar sign
  kSigneRepeteDeuxMesures = -4,  // 252: repeat-the-last-two-bars sign
};

// Flag bits (u16).
enum : uint16_t {
  // Bit 0: the next record starts at the same tick and belongs to the same
  // chord; the record then adds no time. Never set on a chord's last member.
  kSigneAccordSuite = 0x0001,
  // Bit 1: joined to the next note (beamed or tied on). Goes with a beam-link
  // source: cleared whenever the note loses its beam-link source id.
  kSigneAccroche = 0x0002,
  // Bit 2: stem down. The tie-symbol bit goes on a chord's last member when
  // its first member has this bit.
  kSigneQueueEnBas = 0x0004,
  // Bit 3: the record is hidden. Set on the rests that an exact insertion makes
  // while its visible flag is 0. On a note (kind 0 or more) the drawing reads
  // it as "head on the other side of the stem"; on a rest it means not shown.
  kSigneCache = 0x0008,
  // Bit 4: tie symbol / tie side: set on one member of a chord whose tied
  // members have at least two different durations; the drawing puts the tie
  // under the heads when it equals the stem direction.
  kSigneLieSymbole = 0x0010,
  // Bit 5 (value 32): position set by the user; automatic fingering never
  // rewrites such a note. The flag word has no "bit 32": value 32 is this bit.
  kSignePositionUtilisateur = 0x0020,
  kSignePointsDessous = 0x0040,  // bit 6: dots below the staff line
  kSigneBit7 = 0x0080,           // bit 7: unused, kept as read
  // Bit 8: the head was shifted by a unison or a second (written by drawing).
  kSigneTeteDecalee = 0x0100,
  // Bit 9: transient mark of a template record (old files store it). Every
  // note inserted from a caller's template loses it, together with bit 0.
  // The neume and tuplet drawing read it as "hidden"; that use is not the
  // model's: the model's hidden bit is kSigneCache, and bit 9 survives only on
  // records that the document reader stores directly.
  kSigneModele = 0x0200,
  kSigneSurbrillance = 0x0400,  // bit 10: highlight colour
  // Bit 13: grace slur of a grace series / half extra space in spacing.
  kSigneDemiEspace = 0x2000,
};

// The accidental byte (the record's fourth byte, 2 = none).
enum : uint8_t {
  kAlterationMasque = 0x07,  // bits 0-2: 0 natural, 1 sharp, 2 none, 3 flat, 4 double sharp, 5 double flat
  kAlterationAucune = 2,
  kAlterationToujours = 0x08,     // shown although not required
  kAlterationParentheses = 0x10,  // in parentheses (spacing makes room for it)
  kAlterationMasquee = 0x20,      // hidden although required; not counted in force
};

// The note array grows by whole blocks of this many records.
constexpr int32_t kBlocSignes = 1024;
// Ceiling on a staff's note count: no loader or edit goes past it.
constexpr int32_t kMaxSignes = 1024 * 1024;
// A chord holds at most this many different durations.
constexpr int kMaxDureesAccord = 64;

struct Signe {
  int8_t kind;         // pitch, or a negative kind above
  uint8_t velocity;    // 64; marks change it
  uint16_t flags;      // kSigne* bits
  uint8_t alteration;  // accidental byte: kAlteration*; 2 = none
  uint8_t octet5;      // 0
  int32_t duree;       // ticks
  // The share of the duration that sounds, in percent (100). The document
  // reader's 16-bit "velocity" of a sign record is this field (old files
  // store 400 on fermata notes, read as 100).
  uint16_t pourcentJoue;
  int16_t decalageArpege;   // set by arpeggio marks
  int16_t indexParamEffet;  // index of the note's ParamEffet; -1 none (-2: reader's "effects elsewhere")
  // Four bytes filled by the loaders.
  uint8_t formeTete;       // head shape; mark 11 sets 3
  uint8_t varianteNeume;   // neume variant
  int8_t decalageSilence;  // vertical offset of a rest
  uint8_t octetOption3;    // the reader's third option byte
  // For a note joined with the following notes of its pitch: the duration of
  // its first written part (the rest lies beyond); also the drawing's limit of
  // the first printed piece. 0 otherwise.
  uint32_t premierePartieLiee;
  // Sixteen bytes filled by the loaders.
  uint32_t dureeEcrite;          // second (written) duration
  uint16_t motAvantDureeEcrite;  // the reader's 16-bit field before the written duration
  uint16_t
      motTuplet;  // tuplet nibbles (bits 0-7), division bits 8-13; 0x400 curve, 0x800 hidden number, 0x2000 flipped
  uint16_t dureeCourte;    // duration in 256ths of a quarter note
  uint16_t couleur;        // colour index; below 1 = the staff's colour
  uint8_t octetsSigne[3];  // the three sign bytes after the tuplet word
  uint8_t octetSigne4;     // the reader's fourth sign byte (0 before its version)
  uint8_t octet3;          // 3
  // Five bytes.
  uint8_t octetOption1;  // the reader's first and second option bytes
  uint8_t octetOption2;
  uint8_t tablatureCorde;  // the two tablature bytes: string (row) and fret (position)
  uint8_t tablatureCase;
  uint8_t octetLecteur;  // the reader's two bytes after the option bytes
  int32_t debut;         // cached start tick; -1 = to be computed
  int8_t kindCopie;      // the kind given at creation
  uint8_t taille;        // size percentage (100; 0 = not drawn)
  uint8_t touche;        // 1 on every record a bar-duration edit walked over
  // Written by spacing and drawing, copied with the record.
  int32_t id;
  int32_t posZorodava;     // spacing position inside its bar
  int16_t xRelatifMesure;  // x relative to the bar start (capped at 32000)
  int16_t xRelatifAccord;  // head x relative to the chord reference x
  int16_t xDebutPoints;    // pen x where the dots started
  uint16_t bordsTete[2];   // the two head-edge x words
  int8_t decalageAlteration;
  int8_t decalageTeteAccord;  // chord-head offset argument
  int8_t decalagePointX;
  int8_t decalagePointY;
  int8_t decalageTetePourcent;
  uint8_t longueurQueue;  // stem length; 0 = standard
  uint8_t tupletPremier;  // tuplet first, last and flipped bytes
  uint8_t tupletDernier;
  uint8_t tupletRetourne;
  uint8_t octetsLecteur[3];  // the reader's bytes after the effects code
  uint8_t octetLecteur2;
  uint8_t reserve[5];
};

// ---- Records and the array.
void RazNote(Signe* note, int8_t kind, int32_t duree);
// The staff's records, or null; *count gets the count bounded by the handle.
Signe* GetSignesPortee(Portee** staff, int32_t* count);
int16_t InsereSigne(Portee** staff, int32_t index);
int16_t SupprimeSigne(Portee** staff, int32_t index);
// Removes records from .. to - 1 (bounded to the array) as SupprimeSigne
// would one by one from the last, in one move; the count removed.
int32_t SupprimeSignes(Portee** staff, int32_t from, int32_t to);
int16_t InsereSilencesFantomes(Portee** staff, int32_t index, int32_t n, int32_t duree);
// Every cache derived from the notes from the index on is marked stale.
void InvalideNotesPortee(Portee** staff, int32_t index);

// ---- Filler rests and bar time.
int16_t AjouteDureeDansMesure(Portee** staff, int32_t index, int32_t duree);
int16_t SupprimeDureeDansMesure(Portee** staff, int32_t index, int32_t duree, int16_t flag);
int16_t CheckFinPortee(Portee** staff, uint8_t* ajoute);

// ---- Chords.
int32_t CalculeIndexNoteDebutAccord(Portee** staff, int32_t index);
int32_t InsereNoteDansAccord(Portee** staff, const Signe* note, int32_t index);
int32_t ReclasseNotesDansAccord(Portee** staff, int32_t index, int16_t drop);
void AjusteLiesAccordSymbole(Portee** staff, int32_t index);
int32_t QuarvelPurgeAccord(Portee** staff, int32_t from, int32_t to);

// ---- Insertion of notes.
int32_t AjouteNoteEnPosExacte(Portee** staff, const Signe* note, int32_t tick, int16_t fill, int16_t visible);
void TraiteAjoutDureeSansDecaler(Partition** score, Portee** staff, int32_t index, int32_t tick, int32_t delta,
                                 int16_t fill);
int32_t AjouteNote(Portee** staff, const Signe* note, int32_t tick, int16_t fill);
int32_t InsereNoteBrut(Portee** staff, const Signe* note, int32_t tick);
int32_t InsereNote(Portee** staff, const Signe* note, int32_t tick);
void ReduitSilences(Portee** staff, int32_t index, int32_t tick);

// ---- Notes across bar lines.
int16_t SupprimeLieNote(Portee** staff, int32_t index, const int32_t* limite);
void DeleteLiaisonsACheval(Partition** score, int16_t bar);

// ---- Recomputation marks.
void FixeAccordsNonCalcules(Portee** staff);
void FixeTablatureEtAccordsNonCalcules(Portee** staff);
