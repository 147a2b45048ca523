// The top level of a native document: the header with its version, check
// bytes and LZW switch, the document sections in file order, the score
// blocks, and the trailer with its closing magic. Every field is read only
// from the version that stores it; VersionQuarvelLoad holds the version for
// every record reader below this level.
//
// A damaged document gives 0 and leaves the document consistent: what was
// read stays owned by it (the caller disposes it), nothing points at a record
// that was freed or half made, and the views put aside are always put back.
#include <cstring>

#include "layout/Imprimante.h"
#include "layout/MiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/StaffHeightEvts.h"
#include "model/Vues.h"
#include "notation/LegendesLois.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "plugin/ServicesInertes.h"
#include "sound/EffetsNumeriques.h"
#include "stafftypes/PorteeParoleTempoPiste.h"
#include "system/BudgetRequete.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"

uint8_t ConvertSplitNoteDuration = 0;

namespace {

// Line feeds, carriage returns and 8-bit bytes: any text-mode transfer of
// the file alters at least one of them.
constexpr uint8_t kMagicErreurCvt[10] = {0x0A, 0x51, 0x0D, 0x52, 0x0A, 0x0D, 0x56, 0xFF, 0x4C, 0x82};
constexpr uint32_t kMagieQRVL = 0x5152564C;
constexpr uint32_t kMagieDIZA = 0x44495A41;

// The newest version this reader knows, and the two stored values that stand
// for others.
constexpr uint16_t kVersionMax = 0x9805;

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

uint16_t LitMot() { return uint16_t(ReadShort()); }

int16_t Refuse(const char* raison) {
  NoteRaisonEchecChargement(raison);
  return 0;
}

int16_t Endommage() { return Refuse("damaged document (native format)"); }

// The views are put aside while the scores are read and put back on every
// way out.
class VuesMisesDeCote {
 public:
  explicit VuesMisesDeCote(Document* doc) : doc_(doc), index_(doc->indexVueCourante), vues_(doc->vues) {
    doc->indexVueCourante = -1;
    doc->vues = nullptr;
  }
  ~VuesMisesDeCote() { Remet(); }
  void Remet() {
    if (!doc_) return;
    doc_->indexVueCourante = index_;
    doc_->vues = vues_;
    doc_ = nullptr;
  }

 private:
  Document* doc_;
  int16_t index_;
  Handle vues_;
};

// Steps 1 to 5: magic, version, check bytes, LZW switch, header values.
int16_t LitEntete(Document* doc) {
  const uint32_t magie = uint32_t(ReadLong());
  if (EndOfFile() || (magie != kMagieQRVL && magie != kMagieDIZA)) {
    ErreurGraveVrac(443);
    return Refuse("not a native document (wrong magic)");
  }
  uint16_t version = LitMot();
  if (EndOfFile()) return Endommage();
  if (version == 0) version = kVersionMax;
  if (version == 0x9400) version = 0x0940;
  VersionQuarvelLoad = version;
  doc->version = version;
  if (version > kVersionMax) {
    AvertissementVrac();
    return Refuse("a native document from a newer release");
  }
  if (version >= 0x0323) {
    uint8_t octets[sizeof kMagicErreurCvt];
    ReadBlock(octets, sizeof octets);
    if (EndOfFile() || std::memcmp(octets, kMagicErreurCvt, sizeof octets) != 0) {
      ErreurGraveVrac(331);
      return Refuse("damaged native document (its check bytes were altered in transfer)");
    }
  }
  doc->enteteH1 = 0;
  doc->enteteW = 0;
  if (version >= 0x0321) {
    if (LitOctet() != 0) SetLZWMode(1);
    if (version >= 0x0790) {
      doc->enteteH1 = LitOctet();
      doc->enteteW = LitOctet();
    }
  }
  doc->valeurEntete = version >= 0x0811 ? LitMot() : 0xFFFF;
  FixeMiseEnPageStandardDocument(doc);
  return EndOfFile() ? Endommage() : 1;
}

int16_t LitTitres(Document* doc) {
  for (StrTitre& titre : doc->titres) {
    if (VersionQuarvelLoad >= 0x0740) {
      ReadStrTitre(&titre);
    } else {
      if (!ReadUTFString(titre.texte, sizeof titre.texte)) return Endommage();
      ReadTextStyle(&titre.style);
    }
  }
  return EndOfFile() ? Endommage() : 1;
}

// Steps 9 to 12: display block, old title bytes, the 8.00 values, four bytes.
int16_t LitAffichage(Document* doc) {
  ValeursNativesDocument& n = doc->natif;
  std::memset(doc->blocAffichage, 0, sizeof doc->blocAffichage);
  n.affichageD0 = LitOctet();
  if (VersionQuarvelLoad >= 0x0511) {
    n.affichageOctets[0] = LitOctet();
    n.affichageOctets[1] = LitOctet();
    for (uint8_t& o : n.affichageQuatre) o = LitOctet();
    ReadGap(4);
  } else {
    n.affichageOctets[1] = 1;
  }
  if (VersionQuarvelLoad >= 0x0511 || n.affichageD0 != 0) n.affichageValeur = uint32_t(ReadLong());

  if (VersionQuarvelLoad < 0x0740) {
    doc->titres[0].flag = 1;
    doc->titres[2].flag = 0;
    doc->titres[1].flag = 0xFF;
    if (LitMot() == 0x1562) {
      ReadGap(2);
      doc->titres[0].flag = LitOctet();
      doc->titres[2].flag = LitOctet();
      doc->titres[1].flag = LitOctet();
    }
    if (VersionQuarvelLoad < 0x0300) ReadGap(6);
  }

  if (VersionQuarvelLoad >= 0x0800) {
    for (uint32_t& v : n.valeurs800) v = uint32_t(ReadLong());
    ReadString(n.texte128, sizeof n.texte128);
    ReadString(n.texte64, sizeof n.texte64);
  }
  for (uint8_t& o : n.quatreOctets) o = LitOctet();
  return EndOfFile() ? Endommage() : 1;
}

// Step 13: the old page fields or the five page setups and the paper.
int16_t LitMisesEnPage(Document* doc) {
  ValeursNativesDocument& n = doc->natif;
  if (VersionQuarvelLoad < 0x0511) {
    n.anciensOctetsPage[0] = LitOctet() & 1;
    n.anciensOctetsPage[1] = LitOctet();
    const uint8_t drapeaux = LitOctet();
    for (int i = 0; i < 5; i++) n.anciensInterrupteursPage[i] = (drapeaux >> i) & 1;
    n.anciensInterrupteursPage[5] = (drapeaux >> 7) & 1;
    if (VersionQuarvelLoad >= 0x0203) ReadGap(8);
    if (VersionQuarvelLoad >= 0x0501) {
      doc->zoomImpression = float(ReadShort()) * 0.01f;
      ReadGap(16);
    }
    return EndOfFile() ? Endommage() : 1;
  }
  for (MiseEnPage& m : doc->misesEnPage)
    if (!ReadMiseEnPage(&m)) return Endommage();
  if (VersionQuarvelLoad >= 0x0750) {
    n.octetPage = LitOctet();
    doc->reperesMiseEnPage = LitOctet();
    n.rectsPropres = LitOctet();
    ReadRect(&doc->rectsPapier[0]);
    ReadRect(&doc->rectsPapier[1]);
    if (EndOfFile()) return Endommage();
    // Documents up to 96.30 that did not keep their own rectangles take the
    // printer's page and paper.
    if (VersionQuarvelLoad <= 0x9630 && n.rectsPropres == 0) {
      FixeResolutionStdImprimante();
      if (GlobalHPrint) {
        doc->rectsPapier[0] = (*GlobalHPrint)->info.page;
        doc->rectsPapier[1] = (*GlobalHPrint)->paper;
      }
    }
    n.octetsPage[0] = LitOctet();
    n.octetsPage[1] = LitOctet();
  }
  return EndOfFile() ? Endommage() : 1;
}

// Steps 14 and 15: how the note reader treats split notes.
int16_t LitReglagesNotes(Document* doc) {
  ValeursNativesDocument& n = doc->natif;
  n.valeurEffacee = 0;
  ReadGap(8);
  ConvertSplitNoteDuration = 1;
  if (VersionQuarvelLoad >= 0x0780) {
    n.octetNotes = LitOctet();
    n.octetNotesSigne = int8_t(LitOctet());
    n.octetB = LitOctet();
    n.valeurB = LitMot();
    if (n.octetB == 0) {
      n.octetB = 3;
      n.valeurB = 0xFFFF;
    }
    n.valeurN = LitMot();
    if ((doc->enteteW == 1 && n.valeurN >= 760) || (doc->enteteW == 2 && n.valeurN >= 960))
      ConvertSplitNoteDuration = 0;
    ReadGap(11);
  }
  return EndOfFile() ? Endommage() : 1;
}

// What follows the scores, up to the output effects.
int16_t LitFin(Document* doc, int16_t nbPartitions, int16_t indexCourant) {
  doc->natif.octetFin = LitOctet();
  if (VersionQuarvelLoad < 0x0511) {
    const uint16_t premiere = LitMot();
    const uint16_t derniere = LitMot();
    doc->premiereMesureSelection = int16_t(premiere == 0 ? 1 : premiere);
    doc->derniereMesureSelection = int16_t(derniere < premiere ? 9999 : derniere);
  }
  uint32_t maintenant = 0;
  GetDateTime(&maintenant);
  doc->dates[3] = maintenant;
  if (LitMot() == 1) {
    for (int i = 0; i < 3; i++) doc->dates[i] = uint32_t(ReadLong());
    doc->nbRevisions = uint16_t(LitMot() + 1);
  } else {
    doc->dates[0] = maintenant;
    doc->dates[1] = 0;
    doc->nbRevisions = 1;
  }
  if (EndOfFile()) return Endommage();

  if (VersionQuarvelLoad >= 0x0701) {
    doc->valeurDonnees = ReadShort();
    const uint32_t longueur = uint32_t(ReadLong());
    if (EndOfFile() || longueur > uint32_t(kMaxBlockSize) || int64_t(longueur) > GetStreamRemaining())
      return Endommage();
    if (longueur != 0) {
      LibereHandle(&doc->donneesSupplementaires);
      Handle h = NewHandle(Size(longueur));
      if (h) {
        ReadBlock(*h, int32_t(longueur));
        if (EndOfFile()) {
          DisposeHandle(h);
          return Endommage();
        }
        doc->donneesSupplementaires = h;
      } else {
        // Without the memory the block is passed over, so what follows is
        // still read in step.
        ReadGap(int32_t(longueur));
      }
    }
  }

  if (nbPartitions > 0) FixePartitionEdite(doc, indexCourant);

  // A block that this system does not interpret: its length, then its bytes.
  const uint32_t longueur = uint32_t(ReadLong());
  if (EndOfFile() || int64_t(longueur) > GetStreamRemaining()) return Endommage();
  ReadGap(int32_t(longueur));
  return EndOfFile() ? Endommage() : 1;
}

// Step 25: the output effects, in their two layouts, and the equaliser.
int16_t LitEffetsSortie(Document* doc) {
  if (VersionQuarvelLoad < 0x0321) return 1;
  EffetsSortieDocument& e = doc->effetsSortie;
  const bool ancien = VersionQuarvelLoad < 0x0630;
  if (ancien) ReadGap(9);
  e.motInitial = LitMot();
  if (ancien) ReadGap(8);
  e.reverbe = LitOctet();
  e.tempsReverbe = ReadShort();
  e.niveauReverbe = ReadShort();
  e.surround = LitOctet();
  e.delaiSurround = ReadShort();
  e.niveauSurround = ReadShort();
  e.reductionBruit = LitOctet();
  e.valeurReductionBruit = ReadShort();
  e.renforcementBasses = LitOctet();
  e.frequenceBasses = ReadShort();
  e.niveauBasses = ReadShort();
  e.controleGain = LitOctet();
  e.monteeControleGain = ReadShort();
  if (ancien) ReadGap(16);
  ReadGap(32);
  if (EndOfFile()) return Endommage();
  if (VersionQuarvelLoad >= 0x0964) {
    const int16_t k = ReadShort();
    if (EndOfFile() || k < 0 || int64_t(k) * 2 > GetStreamRemaining()) return Endommage();
    for (int16_t i = 0; i < k; i++) {
      const int16_t v = ReadShort();
      if (i < kNbNiveauxEffetsSortie) e.bandes[i] = v;
    }
    for (int16_t i = k; i < kNbNiveauxEffetsSortie; i++) e.bandes[i] = 0;
  } else {
    ConvertOldDocumentDigitalEffectsToHQ(&e);
  }
  return EndOfFile() ? Endommage() : 1;
}

// The conversions older documents need once their last score is read.
void ConvertitDerniereLue(Partition** score) {
  if (!score) return;
  if (VersionQuarvelLoad < 0x0610) CvtOldParamEffetPedaleEnDynamique(score);
  if (VersionQuarvelLoad < 0x0850) {
    SupprimeNotesPorteeTempoSousEvenements(score);
    CalculeLegendesLoisPartition(score);
  }
  if (VersionQuarvelLoad < 0x0900) ConvertitNuancesAncienFormat(score);
}

}  // namespace

int16_t ChargeMusiqueStandard(Document* doc) {
  if (!doc) return 0;
  IsOpenDialogueProgression();
  ClrListeFontInconnue();

  if (!LitEntete(doc) || !LitTitres(doc)) return 0;
  if (!ReadVues(doc)) return Endommage();
  VuesMisesDeCote vues(doc);
  if (!LitAffichage(doc) || !LitMisesEnPage(doc) || !LitReglagesNotes(doc)) return 0;

  // Scores: one without a count before 2.01; staves carry graphics lists
  // from 2.02 (2.01 files are read as 2.02 without them).
  int16_t nbPartitions = 1;
  int16_t indexCourant = 0;
  bool graphiques = false;
  if (VersionQuarvelLoad >= 0x0201) {
    graphiques = VersionQuarvelLoad >= 0x0202;
    if (VersionQuarvelLoad == 0x0201) {
      VersionQuarvelLoad = 0x0202;
      doc->version = 0x0202;
    }
    nbPartitions = ReadShort();
    indexCourant = ReadShort();
    if (VersionQuarvelLoad < 0x0300) ReadGap(32);
    if (EndOfFile() || nbPartitions < 0 || int64_t(nbPartitions) > GetStreamRemaining()) return Endommage();
    // The current score must be one of the scores; without scores the index
    // designates nothing and only its sign is checked.
    if (indexCourant < 0 || (nbPartitions > 0 && indexCourant >= nbPartitions))
      return Refuse("damaged native document (its current score is not one of its scores)");
  }
  while (doc->partitions && doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);

  for (int16_t i = 0; i < nbPartitions; i++) {
    const bool horsDelai = DelaiRequeteDepasse();
    if (horsDelai) NoteRaisonEchecChargement("the request ran out of time");
    if (horsDelai || !ReadBlocPartition(doc, graphiques)) {
      vues.Remet();
      CheckStaffHeightEventsPartition(doc->partitionCourante);
      CleanVues(doc);
      NoteRaisonEchecChargement("damaged document (native format): a score cannot be read");
      return 0;
    }
  }
  Partition** derniere = doc->partitionCourante;

  int16_t ok = LitFin(doc, nbPartitions, indexCourant) && LitEffetsSortie(doc);
  if (ok) {
    if (VersionQuarvelLoad < 0x0300) ReadGap(56);
    const uint32_t magie = uint32_t(ReadLong());
    if (EndOfFile() || magie != kMagieQRVL) ok = Endommage();
  }

  ConvertitDerniereLue(derniere);
  Partition** courante = doc->partitionCourante;
  if (courante) (*courante)->pretAffichage = 1;
  vues.Remet();
  const int32_t plusGrandId = CheckCoherenceIDVues(doc);
  if (plusGrandId > 0 && uint32_t(plusGrandId) > doc->compteurIdUnique) doc->compteurIdUnique = uint32_t(plusGrandId);
  if (courante) {
    PrepareDynamiquesPartition(courante);
    CheckStaffHeightEventsPartition(courante);
  }
  CleanVues(doc);
  return ok;
}
