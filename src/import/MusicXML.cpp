#include "import/MusicXML.h"

#include <cstdio>
#include <cstring>

#include "import/XMLBrowser.h"
#include "import/XMLDirections.h"
#include "import/XMLHarmonies.h"
#include "import/XMLLyrics.h"
#include "import/XMLMusicFrame.h"
#include "import/XMLNotes.h"
#include "import/XMLPagination.h"
#include "import/XMLPileNotes.h"
#include "import/XMLPortees.h"
#include "layout/Justification.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/PreservePositions.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "notation/AjusteCoules.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "plugin/Preferences.h"
#include "sound/BaseSons.h"
#include "system/BudgetRequete.h"
#include "system/Dossiers.h"
#include "system/PortLayer.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

// Why the last import built no score, for the request driver's message.
char raisonEchecXML[kXMLErrTextSize];

// ---------------------------------------------------------------------------
// Settings forced for the length of an import

constexpr int kMaxReglages = 8;
XMLReglageImport gReglages[kMaxReglages];
int gNbReglages = 0;

struct EtatReglages {
  CGrafPtr port;
  uint8_t preserveObjets;
  int n;
  intptr_t sauve[kMaxReglages];
};

void ForceReglages(EtatReglages* etat) {
  // Measuring while importing draws nothing: it happens in the scratch port.
  etat->port = SetPortTemporaire();
  // Notes are added in bulk: nothing to re-anchor while the score is built.
  etat->preserveObjets = GetIsPreserveObjects();
  SetIsPreserveObjects(0);
  etat->n = gNbReglages;
  for (int i = 0; i < etat->n; i++) {
    etat->sauve[i] = gReglages[i].sauve();
    gReglages[i].force();
  }
}

void RestaureReglages(const EtatReglages* etat) {
  for (int i = etat->n - 1; i >= 0; i--) gReglages[i].restaure(etat->sauve[i]);
  SetIsPreserveObjects(etat->preserveObjets);
  RozoSetPortOffscreen(etat->port);
}

// ---------------------------------------------------------------------------
// Steps on the document and its score. Those whose services are not built
// yet (instrument samples and metronome, screen mode, bar count, bar lines and
// repeats, arpeggios, instrument volume, pan and ids, slurs, dynamics, text
// passages, the page-count scale search) are empty steps.

// A fresh start for the imported score: no hidden staves, dated now, no
// current view, no titles; a current score at tempo 80. False when no score
// can be made.
bool PrepareDocument(Document* doc) {
  doc->porteesCachees = 0;
  uint32_t now = 0;
  GetDateTime(&now);
  for (int i = 0; i < 3; i++) doc->dates[i] = now;
  doc->indexVueCourante = -1;
  for (StrTitre& t : doc->titres) t.texte[0] = 0;
  if (!doc->partitionCourante && !CreePartitionVide(doc)) return false;
  // The instruments' sample data is released and the metronome instruments
  // are added here once instruments can hold them; then screen mode 0.
  (*doc->partitionCourante)->tempo = 80;
  return true;
}

// The score's keyed collection, created when the score has none.
Collection CollectionPartition(Document* doc) {
  Partition** score = doc->partitionCourante;
  if (!score) return nullptr;
  if (!(*score)->collections[0]) (*score)->collections[0] = NewCollection();
  return (*score)->collections[0];
}

// SEAM(import): bar count, bar lines and repeats after the skeleton-only path.
void TermineSquelette(Document*) {}

// The arpeggios of every staff, in staff order.
void RecalculeArpeges(Document* doc) {
  Partition** score = doc->partitionCourante;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) RecalculeArpeggio((*score)->portees[s]);
}

// The bar count and the whole bar table, rebuilt after the notes pass.
void RecalculeApresNotes(Document* doc) {
  Partition** score = doc->partitionCourante;
  SetTabEltMesureModifie(score, kTabEltTout);
  // "MusicXML: Adjusting bars."
  UpdateTabEltMesure(score, kTabEltTout);
}

// After the finishing passes: instrument volume and pan to their staves, bar
// lines and repeats put in shape, instrument ids converted.
void TermineStaves(Document*) {}

// Ruler on, second page setup = first; then slurs, dynamics and text
// passages, and when asked the scale search for the page count the file asks
// for (reserved pages + 1 + new-page marks), when that is at least 2 and
// differs from the count laid out.
void TermineMiseEnPage(Document* doc, uint8_t refitPages) {
  doc->regle = 1;
  doc->misesEnPage[1] = doc->misesEnPage[0];
  const int16_t cible = XMLNombrePagesDemandees(doc);
  // A file of a thousand new-page marks or more is laid out as it asks: the
  // search for a count held at the bound would only cost layouts.
  if (!refitPages || cible < 2 || cible >= kMaxPagesDemandees) return;
  // Each step of the search lays the whole score out: a request out of time
  // keeps the file's scale rather than run it.
  if (DelaiRequeteDepasse()) return;
  Partition** score = doc->partitionCourante;
  if (CombienDePages(score) == cible) return;
  RecalculeEchellePourNombreDePage(doc, 0, &doc->misesEnPage[0], cible);
}

// Frees everything an import keeps in process globals.
void LibereEtatImport(XMLRootElt** tree, Handle* barNumbers) {
  XMLBrowserDispose(*tree);
  *tree = nullptr;
  if (*barNumbers) DisposeHandle(*barNumbers);
  *barNumbers = nullptr;
  XMLDisposeInstrumentReg();
  XMLDisposePorteeReg();
  XMLDisposeJumpDict();
  // Hairpins and octave shifts left open point into the freed tree.
  XMLDisposeNoteStacks();
  XMLDisposeHarmonies();
  XMLClearPagination(nullptr);
}

uint8_t Etapes(Document* doc, Handle text, uint8_t refitPages, uint8_t skeletonOnly) {
  if (!PrepareDocument(doc)) return 0;
  XMLDisposeHarmonies();

  // "Browsing MusicXML tree."
  char err[512] = {};
  XMLRootElt* tree = BrowseXMLFile(text, text ? nullptr : GetCurrentOpenFile(), err, 1);
  if (!tree) {
    if (err[0]) {
      Collapse("%s", err);
      std::snprintf(raisonEchecXML, sizeof raisonEchecXML, "%s", err);
    }
    return 0;
  }

  XMLClearAppearance();
  XMLClearPagination(doc);
  XMLGetInfos(tree, doc);
  XMLGetScaling(tree);
  Handle names = XMLCreePortees(tree, doc);
  if (!names) {
    LibereEtatImport(&tree, &names);
    return 0;
  }

  // "MusicXML: Processing skeleton." or the complete import.
  if (!XMLCreateMusicFrame(tree, doc, names)) {
    LibereEtatImport(&tree, &names);
    return 0;
  }
  if (!skeletonOnly) {
    // "MusicXML: Adding notes and lyrics."
    XMLAddNotes(tree, doc, names);
    XMLPropagateSemitoneShift(doc);
  }
  XMLBrowserDispose(tree);
  tree = nullptr;
  if (!skeletonOnly) RecalculeArpeges(doc);
  XMLStockeNumerosMesure(CollectionPartition(doc), names);
  DisposeHandle(names);
  names = nullptr;
  XMLDisposeInstrumentReg();
  XMLDisposePorteeReg();

  if (skeletonOnly) {
    TermineSquelette(doc);
    XMLDisposeHarmonies();
    XMLDisposeJumpDict();
    XMLDisposeNoteStacks();
    return 1;
  }

  RecalculeApresNotes(doc);
  XMLClearPagination(nullptr);
  // "MusicXML: Processing lyrics." "MusicXML: Processing dynamics."
  XMLFinalizeLyrics(doc);
  XMLFinalizeDynamics(doc);
  XMLFinalizeAppearance(doc);
  TermineStaves(doc);
  XMLDisposeJumpDict();
  // Standard sound ids, once a sound base is there (never in a preview).
  ConvertitIdInstrumentsApresChargement(doc, 0, 0);

  XMLPaginationRecalculeLargeurObjetsTexte(doc);
  XMLPaginationRecalculeLargeurDiagrammes(doc);
  // "MusicXML: Adjusting slurs."
  AjusteCoulesPartition(doc->partitionCourante);
  // "MusicXML: Adjusting dynamics." "MusicXML: Computing document scale."
  TermineMiseEnPage(doc, refitPages);
  return 1;
}

}  // namespace

const char* GetRaisonEchecXML() { return raisonEchecXML; }

void XMLErr(const char*, ...) {}

uint8_t ChargeMusiqueXML(Document* doc, Handle text, uint8_t refitPages, uint8_t skeletonOnly) {
  raisonEchecXML[0] = 0;
  if (!doc) return 0;
  // Everything the import forces goes back on every exit: a failed import
  // must not leave the next request with the import's settings.
  EtatReglages etat;
  ForceReglages(&etat);
  // The import shapes the slurs it loads, whatever the user's preference.
  const uint8_t formeAuto = pref.formeAutoCoules;
  pref.formeAutoCoules = 1;
  uint8_t ok = Etapes(doc, text, refitPages, skeletonOnly);
  pref.formeAutoCoules = formeAuto;
  RestaureReglages(&etat);
  return ok;
}

bool IsFichierXML(const char* path) { return cmp_extension(path, "xml") || cmp_extension(path, "musicxml"); }
bool IsFichierMXL(const char* path) { return cmp_extension(path, "mxl"); }
bool IsFichierXMLCompresse(const char* path) { return cmp_extension(path, "xmz"); }

void XMLSepareTransposition(int16_t shift, int16_t* octaves, int16_t* semitones) {
  int16_t o = 0;
  int32_t s = shift;
  if (s >= 12) {
    o = static_cast<int16_t>(s / 12);
    s %= 12;
  } else if (s < -11) {
    int32_t k = (-s) / 12;
    o = static_cast<int16_t>(-k);
    s += 12 * k;
  }
  *octaves = o;
  *semitones = static_cast<int16_t>(s);
}

// Needs the sung staves' voice parameters and instruments (score model).
void XMLPropagateSemitoneShift(Document*) {}

void XMLStockeNumerosMesure(Collection coll, Handle barNumbers) {
  if (!coll || !barNumbers) return;
  int32_t n = GetHandleSize(barNumbers) / kTailleNumeroMesure;
  for (int32_t i = 0; i < n; i++)
    AddCollectionItem(coll, FourCC("bnum"), i, kTailleNumeroMesure, *barNumbers + i * kTailleNumeroMesure);
}

bool XMLInstalleReglageImport(const XMLReglageImport& slot) {
  if (!slot.sauve || !slot.force || !slot.restaure) return false;
  for (int i = 0; i < gNbReglages; i++)
    if (gReglages[i].sauve == slot.sauve && gReglages[i].force == slot.force && gReglages[i].restaure == slot.restaure)
      return true;
  if (gNbReglages == kMaxReglages) return false;
  gReglages[gNbReglages++] = slot;
  return true;
}

void XMLRetireReglagesImport() { gNbReglages = 0; }
