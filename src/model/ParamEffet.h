#pragma once
// A note's effect record (marks, grace notes, arpeggio, link ends), held in
// its staff's list; a record whose first byte is non-zero is a free slot.
#include "model/QrvLiaison.h"
#include "platform/PlatformTypes.h"

struct Portee;

struct GraceNote {
  uint8_t utilise;
  uint8_t hauteur;
  uint8_t param1;
  uint8_t param2;               // 2
  uint8_t octet1;
  uint8_t octet2;               // 255
  uint8_t octet3;
};

struct ParamEffet {
  uint8_t libre;                // 0 in use, 1 free
  uint8_t octet1;
  int32_t note;                 // owning note, -1 none
  uint32_t liaisonFormeType;    // drawing cache copied from the tie block
  uint8_t liaisonMemeDebut;
  int16_t liaisonDecalages[2];
  uint16_t liaisonComma;
  uint8_t bend;
  int32_t bendValeurs[2];
  uint16_t bendMot;
  uint8_t flag13;
  int32_t valeurs13[2];
  uint8_t flag21;
  int32_t valeurs21[2];
  uint8_t trille;
  uint8_t trilleData[4];
  uint16_t mot1;                // 1
  int16_t ornementDecalage;
  uint8_t ornement;
  uint16_t ornementCode;
  uint16_t ornementTaille;      // 32
  int16_t ornementAlterations[4];
  uint8_t tremolo;
  uint16_t tremoloValeur;
  uint8_t flags3[3];
  int16_t repetitions[2];
  uint16_t mot100;              // 100
  uint16_t pointOrgue;
  Handle marks;                 // Mark records
  uint16_t mot32;               // 32
  uint8_t quatreOctets[4];
  GraceNote graces[10];
  uint16_t comma;
  int16_t arpegeDebut;
  int16_t arpegePas;            // 20
  uint16_t arpegeDescendant;
  uint16_t mot2;
  uint16_t mot4;                // 4
  DataLiaison liaison;          // tie or slur
  DataAccroche accroche;        // beam link
  uint8_t garde;                // non-zero keeps the record in use
};

// Frees the staff's effect records with their marks; count 0, handle null.
void DisposeParamEffetsPortee(Portee** staff);
