#include "model/DiagrammesAccord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/Portee.h"
#include "notation/ServicesNotation.h"
#include "plugin/Necks.h"
#include "system/Handles.h"
#include "system/Scellement.h"
#include "system/Strings.h"

namespace {

DiagrammeAccord* Diagrammes(Handle h) { return reinterpret_cast<DiagrammeAccord*>(*h); }

// 16-bit values are sealed low byte first, the order of the hosts on which
// the stored ids were computed, so that ids read from documents are found.
void Scelle16(int32_t v) {
  const uint8_t b[2] = {uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF)};
  AddScellement(b, 2);
}
void Scelle8(int32_t v) {
  const uint8_t b = uint8_t(v & 0xFF);
  AddScellement(&b, 1);
}

// The sealed values the two kinds of diagram share, up to the string marks.
void ScelleDefinition(const DefAccord& d) {
  Scelle16(d.neck & 0xFFFF);
  Scelle8(d.fondamentale);
  Scelle8(d.alterationFondamentale);
  Scelle16(d.tierce);
  Scelle16(d.septieme);
  Scelle16(d.quinte);
  Scelle16(d.neuvieme);
  Scelle8(d.nomPropre);
}

void ScellePoints(uint8_t baseFret, int8_t count, const PointDiagramme* points, int max) {
  Scelle8(baseFret);
  Scelle8(count);
  // A count beyond the record's room seals only the dots it holds.
  const int n = count < 0 ? 0 : count > max ? max : count;
  for (int i = 0; i < n; i++) {
    Scelle8(points[i].caseManche);
    Scelle8(points[i].premiereCorde);
    Scelle8(points[i].derniereCorde);
  }
}

}  // namespace

int32_t GetNbDiagrammesAccords(Handle diagrams) {
  return diagrams ? int32_t(GetHandleSize(diagrams) / Size(sizeof(DiagrammeAccord))) : 0;
}

int32_t CreeAccord(Handle* diagrams) {
  if (!diagrams) return -1;
  if (!*diagrams) *diagrams = NewHandleClear(0);
  if (!*diagrams) return -1;
  const int32_t n = GetNbDiagrammesAccords(*diagrams);
  if (!RetailleHandle(*diagrams, Size(n + 1) * Size(sizeof(DiagrammeAccord)))) return -1;
  DiagrammeAccord& d = Diagrammes(*diagrams)[n];
  std::memset(&d, 0, sizeof d);
  d.accord.septieme = 2;
  d.accord.neuvieme = 2;
  d.caseBase = 1;
  return n;
}

void DisposeAccords(Handle* diagrams) {
  if (diagrams) LibereHandle(diagrams);
}

int16_t GetNbCordesDiagrammeAccord(const DiagrammeAccord* diagram) {
  if (!diagram) return 6;
  const int16_t n = GetNbCordesNeck(diagram->accord.neck);
  return n < 0 ? 6 : n;
}

uint32_t ScelleDiagrammeEditeAccord(const DiagrammeAccord* diagram) {
  BeginScellement();
  if (diagram) {
    ScelleDefinition(diagram->accord);
    AddScellement(diagram->cordes, sizeof diagram->cordes);
    ScellePoints(diagram->caseBase, diagram->nbPoints, diagram->points, kNbPointsDiagramme);
  }
  return EndScellement();
}

uint32_t ScelleDiagrammeAccord(const DefDiagrammeAccord* definition) {
  BeginScellement();
  if (definition) {
    ScelleDefinition(definition->accord);
    AddScellement(definition->cordes, uint32_t(strnlen(definition->cordes, sizeof definition->cordes)));
    ScellePoints(definition->caseBase, definition->nbPoints, definition->points, kNbPointsDefDiagramme);
  }
  return EndScellement();
}

int32_t RechercheDiagrammeAccordParIdUnique(Handle diagrams, uint32_t id) {
  const int32_t n = GetNbDiagrammesAccords(diagrams);
  for (int32_t i = 0; i < n; i++)
    if (Diagrammes(diagrams)[i].idUnique == id) return i;
  return -1;
}

int32_t AjouteDiagrammeAccordPortee(Portee** staff, const DiagrammeAccord* diagram) {
  if (!staff || !diagram) return -1;
  DiagrammeAccord d = *diagram;
  if (CvtNomAccordEnIndexDiagrammePortee(staff, &d.accord) >= 0) {
    char base[sizeof d.accord.nom];
    strnzcpy(base, diagram->accord.nom, sizeof base);
    for (int32_t n = 1; n < 100000; n++) {
      char suffixe[16];
      const int lg = std::snprintf(suffixe, sizeof suffixe, "(%d)", int(n));
      // The number always fits: the name gives way to it.
      const size_t garde = std::min(std::strlen(base), sizeof d.accord.nom - 1 - size_t(lg));
      std::snprintf(d.accord.nom, sizeof d.accord.nom, "%.*s%s", int(garde), base, suffixe);
      if (CvtNomAccordEnIndexDiagrammePortee(staff, &d.accord) < 0) break;
    }
  }
  const int32_t index = CreeAccord(&(*staff)->diagrammesCustoms);
  if (index < 0) return -1;
  Diagrammes((*staff)->diagrammesCustoms)[index] = d;
  return index;
}

DiagrammeAccord* AjouteDiagrammeParDoigte(Portee** staff, const NoteAnalyse* notes, int16_t option) {
  if (!staff) return nullptr;
  DiagrammeAccord d;
  std::memset(&d, 0, sizeof d);
  if (!CvtListeNotesEnDiagrammeEditAccord(notes, option, &d)) return nullptr;
  const int32_t index = AjouteDiagrammeAccordPortee(staff, &d);
  return index < 0 ? nullptr : Diagrammes((*staff)->diagrammesCustoms) + index;
}

DiagrammeAccord* RechercheDiagrammeParDoigte(Portee** staff, const NoteAnalyse* notes, bool enabled, int16_t option) {
  return enabled ? AjouteDiagrammeParDoigte(staff, notes, option) : nullptr;
}

int16_t RecherchePremiereCaseDiagrammeAccord(const DiagrammeAccord* diagram, int16_t string) {
  if (!diagram) return 0;
  if (string >= 0 && string < int16_t(sizeof diagram->cordes) &&
      (diagram->cordes[string] == 'X' || diagram->cordes[string] == 'x'))
    return -1;
  const int n = diagram->nbPoints < 0                    ? 0
                : diagram->nbPoints > kNbPointsDiagramme ? kNbPointsDiagramme
                                                         : diagram->nbPoints;
  bool trouve = false;
  int16_t haute = 0;
  for (int i = 0; i < n; i++) {
    const PointDiagramme& p = diagram->points[i];
    if (string < p.premiereCorde || string > p.derniereCorde) continue;
    if (!trouve || p.caseManche > haute) haute = p.caseManche;
    trouve = true;
  }
  return trouve ? int16_t(haute + diagram->caseBase) : 0;
}
