#pragma once
// Part groups: runs of consecutive staves joined by a brace or a bracket.
// The score keeps a handle of records; views keep lists of their own.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Document;
struct Partition;
struct Portee;
struct Systeme;

enum : uint32_t { kPartGroupAccolade = 0, kPartGroupCrochet = 1, kPartGroupSousCrochet = 6 };

struct PartGroup {
  uint32_t type;          // 0 brace; 1 to 4 brackets; 5 background; 6 sub-bracket
  uint32_t barresMesure;  // bar-line joining pattern, 0 none
  int16_t premierePortee;
  int16_t dernierePortee;
  int16_t retrait;  // screen units at 72 dpi, never negative
  int16_t extensionHaut;
  int16_t extensionBas;
  char nom[256];  // UTF-8
  int16_t valeursNom[2];
  TextStyle styleNom;
  int16_t valeurNom;
  char abrege[256];  // UTF-8
  int16_t valeursAbrege[2];
  TextStyle styleAbrege;
  int16_t valeurAbrege;
  uint8_t uneSeulePorteePermise;  // kept even when it covers one staff
};

// Appends a group and returns its index (-1 when the list cannot be made).
int16_t NewPartGroup(Partition** score, uint32_t type, uint32_t barLines, int16_t first, int16_t last, int16_t indent,
                     const char* name, const char* abbreviation);
void DisposePartGroups(Partition** score);
int16_t GetNbPartGroups(Handle groups);
// Adjusts the score's groups, then the views', before the staff is deleted.
void AjustePartGroupsQuandSupprimePortee(Portee** staff);
// Adjusts the groups for a staff inserted at an index.
void AjustePartGroupsQuandInserePortee(Partition** score, int16_t index);
// The same adjustments on any list of groups (the score's or a view's): a group
// left without staff is dropped, one left with one staff too when dropOneStaff
// is set and it may not stand alone.
void AjusteListePartGroupsQuandSupprimePortee(Handle groups, int16_t index, bool dropOneStaff);
void AjusteListePartGroupsQuandInserePortee(Handle groups, int16_t index);
// Reads a stored list from the document byte stream: null for a count of 0
// (or less), and null with the stream marked at its end when it cannot be read.
Handle ReadPartGroups();
// A copy of the score's list (null for none or when out of memory).
Handle DupliquePartGroups(Partition** score);
// Groups made from the bracket and brace flags that old documents set on the
// staves themselves (bit 1 first staff, bit 2 last staff).
void ConvertitOldPartGroupToNewPartGroup(Partition** score);
// The indent of a new group over first..last: 2, or beside the groups there
// (those the system shows, when one is given) their indent + 12 for a brace
// and + 6 for other kinds.
int16_t CalculeDeltaXDefaultPartGroup(Partition** score, const Systeme* system, int16_t first, int16_t last);
// The screen rectangle of the sign of a group of the current score in a
// system (or without one); 0 when nothing is drawn.
int16_t CalculeAirePartGroupEcran(Document* document, const Systeme* system, int16_t index, Rect* out);
// The y of a staff's first (top) and last (bottom) lines; mode 0 on the page,
// any other on the piano roll.
void CalculePosLigneDebutEtFinPortee(Portee** staff, int16_t mode, int16_t* top, int16_t* bottom);
// The y bar lines use: 0 the staff's top, 1 its top line, 2 its bottom line
// (a tablature's lines counted in), 3 its bottom, 4 the bottom line of the
// nearest staff above with an area.
int16_t CalculePosLigneEcranBarreMesure(Portee** staff, int16_t which);
// Sets the four bar-line join codes of each staff row of a music system.
void CalculeLignesBarreMesureSystemeSelonPartGroups(Partition** score, Systeme* system);
// Brace groups: one starts at the staff, one ends there (at the end of its
// merged staves), one holds it.
bool IsPremierePorteeAccolade(Portee** staff);
bool IsDernierePorteeAccolade(Portee** staff);
bool IsPorteeInAccolade(Portee** staff);
