// Reads native documents with the engine's reader and prints what it found:
// the version and the reader's result, then per score its bar count, time
// signatures (where they change) and staves (type, names, notes, clef and
// key at bar 0), with the objects a staff carries (diagram placements,
// graphics, tablature, laws, dynamics, custom diagrams).
//   nativedump FILE...
// Each file is read through the request driver, as a preview reads it.
#include <cstdio>
#include <string>

#include <string>

#include "model/DiagrammesAccord.h"
#include "model/Document.h"
#include "model/DonneesAccords.h"
#include "model/Lois.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/SGraphix.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "plugin/PiloteRequete.h"
#include "stafftypes/DonneesTablature.h"
#include "system/Handles.h"

namespace {

const char* NomType(uint32_t type) {
  switch (type) {
    case kTypePorteeStandard: return "standard";
    case kTypePorteeBatterie: return "drums";
    case kTypePorteeParole: return "lyrics";
    case kTypePorteeTempo: return "tempo";
    case kTypePorteeTablature: return "tablature";
    case kTypePorteeBatterieStd: return "drums on a standard staff";
    case kTypePorteeGregorien: return "Gregorian";
    case kTypePorteePisteNumerique: return "digital track";
    default: return "unknown";
  }
}

const char* NomCle(uint32_t type) {
  switch (type) {
    case kClefSol: return "treble";
    case kClefFa: return "bass";
    case kClefUt: return "C";
    default: return "?";
  }
}

// One line of the staff's objects; nothing when it has none.
void ImprimeObjets(Portee** staff) {
  std::string ligne;
  const auto ajoute = [&](const std::string& texte) { ligne += (ligne.empty() ? "" : ", ") + texte; };
  const Portee* p = *staff;
  if (p->nbDiagrammes > 0 && p->diagrammes) {
    const auto* d = reinterpret_cast<const PlacementDiagramme*>(*p->diagrammes);
    std::string noms;
    for (int16_t i = 0; i < p->nbDiagrammes; i++) noms += std::string(i ? " " : "") + d[i].accord.nom;
    ajoute(std::to_string(p->nbDiagrammes) + " diagram placements (" + noms + ")");
  }
  int32_t n = 0;
  if (const Graphique* g = GetGraphiquesPortee(staff, &n)) {
    std::string tailles;
    for (int32_t i = 0; i < n; i++)
      tailles += (i ? " " : "") + std::to_string(g[i].donnees ? GetHandleSize(g[i].donnees) : 0);
    ajoute(std::to_string(n) + " graphics (data bytes " + tailles + ")");
  }
  if (p->tablature) {
    const auto* t = reinterpret_cast<const Tablature*>(*p->tablature);
    ajoute("tablature " + std::to_string(int32_t(t->kind)) + " with " + std::to_string(t->nbCordes) + " strings" +
           (t->accordeon.present ? " and an accordion" : ""));
  }
  if (const Loi* l = GetLoisPortee(staff, &n)) {
    std::string noms;
    for (int32_t i = 0; i < n; i++) noms += std::string(i ? " " : "") + l[i].nom;
    ajoute(std::to_string(n) + " laws (" + noms + ")");
  }
  if (const Dynamique* d = GetDynamiquesPortee(staff, &n)) {
    std::string types;
    for (int32_t i = 0; i < n; i++) types += (i ? " " : "") + std::to_string(d[i].type);
    ajoute(std::to_string(n) + " dynamics (types " + types + ")");
  }
  if (p->diagrammesCustoms) ajoute(std::to_string(GetNbDiagrammesAccords(p->diagrammesCustoms)) + " custom diagrams");
  if (!ligne.empty()) std::printf("    objects: %s\n", ligne.c_str());
}

void ImprimePartition(Partition** score, int16_t numero, bool courante) {
  UpdateTabEltMesure(score, kTabEltTemps);
  const int32_t mesures = GetNbMesuresTabEltRuban(score);
  std::printf("score %d%s: %d bars, %d staves\n", numero + 1, courante ? " (current)" : "", (*score)->nbMesures,
              (*score)->nbPortees);
  std::printf("  time signatures:");
  const TabEltMesure* lignes = GetLignesTabElt(GetTabEltMesureRuban(score));
  for (int32_t i = 0; i < mesures; i++) {
    const DivisionTemporelle& d = lignes[i].division;
    if (i > 0 && d.numerateur == lignes[i - 1].division.numerateur &&
        d.denominateur == lignes[i - 1].division.denominateur)
      continue;
    std::printf(" bar %d %d/%d", i + 1, d.numerateur, d.denominateur);
  }
  std::printf("\n");
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = GetPorteeIndex(score, k);
    Clef cle;
    Tonalite ton;
    CvtMesureEnClef(staff, 0, &cle);
    CvtMesureEnTonalite(staff, 0, &ton);
    const int16_t armure = CvtTonaliteEnTonaliteStd(&ton);
    std::printf("  staff %d: type %u (%s) \"%s\" \"%s\", %d notes, %d key entries, %s clef, key %d%s\n", k + 1,
                (*staff)->type, NomType((*staff)->type), (*staff)->aspect.nom, (*staff)->aspect.nomAbrege,
                (*staff)->nbNotes, (*staff)->nbTonalites, NomCle(cle.type), armure,
                ton.mode == 1 ? " major" : " minor");
    ImprimeObjets(staff);
  }
  if ((*score)->diagrammesCustoms)
    std::printf("  custom diagrams: %d\n", GetNbDiagrammesAccords((*score)->diagrammesCustoms));
}

// Through the request driver, as a preview reads a document.
int Imprime(const char* chemin) {
  Rect page{};
  uint16_t pages = 0;
  Document* doc = LoadDocument(chemin, &page, &pages, nullptr);
  if (!doc) {
    std::printf("%s: not read (%s)\n", chemin, GetRaisonEchecChargement());
    return 1;
  }
  std::printf("%s: version 0x%04X, %d score%s\n", chemin, doc->version, doc->nbPartitions,
              doc->nbPartitions == 1 ? "" : "s");
  for (int16_t i = 0; i < doc->nbPartitions; i++)
    ImprimePartition(doc->partitions[i], i, doc->partitions[i] == doc->partitionCourante);
  DisposeDocument(doc);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: nativedump FILE...\n");
    return 2;
  }
  int echecs = 0;
  for (int i = 1; i < argc; i++) echecs += Imprime(argv[i]);
  return echecs ? 1 : 0;
}
