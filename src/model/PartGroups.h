#pragma once
// Part groups: runs of consecutive staves joined by a brace or a bracket.
// The score keeps a handle of records; views keep lists of their own.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Partition;
struct Portee;

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
// Reads a stored list from the document byte stream: null for a count of 0,
// and null with the stream marked at its end when it cannot be read.
Handle ReadPartGroups();
