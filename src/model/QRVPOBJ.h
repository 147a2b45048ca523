#pragma once
// Scores and staves: creating, selecting and deleting the scores of a
// document, creating and typing staves, keeping the staff array, every
// staff's index and unique id consistent, merged groups, and removing staves
// with every staff index stored elsewhere kept valid.
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"

// Parts of a score released by DisposePartiePartition.
enum : uint32_t {
  kDisposeRuptures = 0x1,
  kDisposeAccompagnements = 0x2,
  kDisposeBarreAccompagnements = 0x4,
  kDisposeInstruments = 0x8,
  kDisposeGrilleAccord = 0x10,
  kDisposeBanqueRythmes = 0x20,
  kDisposeBarreRythmes = 0x40,
  kDisposeCvtMesures = 0x100,
  kDisposePortees = 0x200,
  kDisposeTabEltMesure = 0x400,
  kDisposeMiseEnPage = 0x1000,
  kDisposeTableauCvtSec = 0x4000,
  kDisposeObjetsLibres = 0x8000,
  kDisposeCollections = 0x10000,
  kDisposePartitionEntiere = 0xFFFFFFFFu & ~0x40000u,
};

// Scores.
Partition** NewPartition(Document* document);
// A ready score with one instrument and no staff: importers add their own
// staves (CreePorteeVide) after it.
Partition** CreePartitionVide(Document* document);
void FixePartitionEdite(Document* document, int16_t index);
void SupprimePartition(Document* document, Partition** score);
void DisposePartiePartition(Partition** score, uint32_t mask);
void SupprimePorteesVides(Partition** score, int16_t mode);
void SupprimePorteesVolatilesType(Partition** score, uint32_t kind);
void SupprimeToutesPorteesVolatiles(Partition** score);
Document* GetDialogPortee(Portee** staff);
int32_t CalculeDureePartition(Partition** score);

// Staves.
Portee** AllouePortee();
Portee** NewPortee(Partition** score, uint32_t type);
int16_t InitPortee(Partition** score, Portee** staff, uint32_t type, uint32_t clefType);
int16_t FixeTypePortee(Portee** staff, uint32_t type);
int16_t InserePorteeDansTabPortee(Partition** score, Portee** staff, int16_t position);
void CreeIndexPortees(Partition** score);
void RetablitCoherenceIDPortees(Document* document);
Portee** CreePorteeVide(Partition** score, uint32_t type, uint32_t clefType, int16_t update);
void InitPortees(Partition** score);
void AppliquePorteeFusionne(Portee** from, Portee** to);
int16_t DisposePortee(Portee** staff);
int16_t DisposePorteeIndex(Partition** score, int16_t index, int16_t wholeGroup);
void DisposeToutesPortees(Partition** score);
void DisposeNotes(Portee** staff);

// Merged groups.
Portee** CvtPorteeEnPorteeDebutFusion(Portee** staff);
int16_t CvtIndexPorteeEnIndexPorteeDebutFusion(Partition** score, int16_t index);
int16_t CvtIndexPorteeEnIndexPorteeFinFusion(Partition** score, int16_t index);
int16_t GetNbPorteesFusion(Portee** staff);
Portee** CvtPorteeEnPorteeMaitreDebutFusion(Partition** score, Portee** staff);

// Questions about a staff.
uint32_t CalculeDureePortee(Portee** staff, int16_t exact);
bool IsPorteeVisible(Partition** score, int16_t index);
int16_t GetVraieHauteurFnTranspositeur(Partition** score, Portee** staff, int16_t pitch);
void SetNomPortee(Portee** staff, const char* text);
void SetNomAbregePortee(Portee** staff, const char* text);
Portee** PorteeSuivante(Portee** staff);
int16_t RechercheIndexPortee(Partition** score, Portee** staff);
void InitChantConfigPortee(Portee** staff);

bool IsTypePorteeTablature(Portee** staff);
bool IsTypePorteeNotationStandard(Portee** staff);
bool IsTypePorteeContientNote(Portee** staff);
bool IsTypePorteeChangeTonalite(Portee** staff);
bool IsTypePorteeChangeClef(Portee** staff);

// The staff at an index of the score, or null.
Portee** GetPorteeIndex(Partition** score, int16_t index);
