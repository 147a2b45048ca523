#include "sound/Lecture.h"

#include <algorithm>

#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "plugin/ServicesInertes.h"
#include "sound/BaseSons.h"
#include "sound/DoubleBuffer.h"
#include "sound/Lyrastel.h"
#include "sound/OrganeDigit.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"

double PosTickInstant = -1.0;
double PosTick = -1.0;
Partition** partitionEnCours = nullptr;
Document* dialogPartitionEnCours = nullptr;
TableJeu TabCircTick = {};
Handle TabActivite = nullptr;
int32_t nbVoixActivite = 0;
TableJeu TabActiviteGenerale = {};

namespace {

bool gJeuAutorise = false;
bool gFinMusique = false;
bool gJoueSelection = false;

void LibereTable(TableJeu* t) {
  t->type = kTableLiberee;
  LibereHandle(&t->tampon);
  t->nb = 0;
}

}  // namespace

float GetPosTickInstant() { return float(PosTickInstant); }

bool IsPartitionMusiqueEnCours(Partition** score) {
  return score && score == partitionEnCours && dialogPartitionEnCours == (*score)->document;
}

Document* GetDialogMusiqueEnCours() { return dialogPartitionEnCours; }

void ReajusteNoteVelocite(int16_t* pitch, int16_t* velocity, int16_t transposition, int16_t offset, int16_t factor) {
  if (!pitch || !velocity) return;
  const int32_t h = int32_t(*pitch) + transposition;
  *pitch = int16_t(h);
  if (h < 0 || h > 127) {
    *velocity = 0;
    return;
  }
  *velocity = int16_t(std::clamp<int32_t>(int32_t(*velocity) * factor / 127 + offset, 0, 127));
}

void ForceArreteToutesNotes(Partition** score) {
  if (!score || !(*score)->portees) return;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff) continue;
    AireOrgane* aire = &(*staff)->aireOrgane;
    if (auto arrete = reinterpret_cast<OrganeArreteProc>((*staff)->organe.arreteNotes)) {
      arrete(nullptr, nullptr, nullptr, -1, 1);
      // The held notes are copied out: the device may change the list.
      const int32_t n = aire->notesTenues
                            ? std::min<int32_t>(aire->nbNotesTenues,
                                                int32_t(GetHandleSize(aire->notesTenues) / Size(sizeof(NoteJouee))))
                            : 0;
      for (int32_t i = 0; i < n; i++) {
        const NoteJouee note = reinterpret_cast<NoteJouee*>(*aire->notesTenues)[i];
        arrete(staff, aire, &note, note.valeur, 1);
      }
      LibereHandle(&aire->notesTenues);
      aire->nbNotesTenues = 0;
    }
    if (auto pedaleProc = reinterpret_cast<OrganePedaleProc>((*staff)->organe.pedale);
        pedaleProc && aire->niveauPedale > 0) {
      aire->niveauPedale = 0;
      pedaleProc(staff, aire, 0);
    }
  }
  ClavierReset();
}

void ArreteMusique(int16_t flag) {
  SetRealTimeMetronome(0);
  gJeuAutorise = false;
  PosTickInstant = PosTick = -1.0;
  Partition** score = partitionEnCours;
  if (!score || !IsPartitionMusiqueEnCours(score)) return;
  gFinMusique = false;
  gJoueSelection = false;
  const int16_t n = (*score)->nbPortees;
  ForceArreteToutesNotes(score);
  EndDblBuffer(flag);
  for (int16_t s = 0; s < n && (*score)->portees; s++) TermineInstrumentPortee(score, (*score)->portees[s]);
  GarbageFichierSons();
  Document* doc = dialogPartitionEnCours;
  partitionEnCours = nullptr;
  dialogPartitionEnCours = nullptr;
  // The staves playback made for laws, accompaniments and repeats go.
  for (int16_t i = 0; doc && doc->partitions && i < doc->nbPartitions; i++)
    if (doc->partitions[i]) SupprimeToutesPorteesVolatiles(doc->partitions[i]);
  LibereLyrastel();
  LibereTabCircTick();
  RetraceItemEnregistrement();
}

void LibereTabCircTick() {
  LibereTable(&TabCircTick);
  if (TabActivite) {
    const Size n = GetHandleSize(TabActivite) / Size(sizeof(TableJeu));
    for (Size i = 0; i < n; i++) {
      TableJeu* t = &reinterpret_cast<TableJeu*>(*TabActivite)[i];
      LibereTable(t);
      *t = TableJeu{kTableLiberee, nullptr, 0};
    }
    DisposeHandle(TabActivite);
  }
  TabActivite = NewHandle(0);
  nbVoixActivite = 0;
  LibereTable(&TabActiviteGenerale);
}
