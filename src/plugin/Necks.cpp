#include "plugin/Necks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/TagParam.h"
#include "system/Dossiers.h"
#include "system/QrvFiles.h"
#include "system/Strings.h"

Handle GlobalTabNeck = nullptr;

namespace {

constexpr int32_t kTailleNeck = int32_t(sizeof(Neck));
// Pitch, fret count and first fret of one stored string.
constexpr int32_t kTailleCordeStockee = 6;

Neck* Necks() { return GlobalTabNeck ? reinterpret_cast<Neck*>(*GlobalTabNeck) : nullptr; }

bool AjouteNeck(const Neck& neck) {
  if (!GlobalTabNeck) {
    GlobalTabNeck = NewHandle(0);
    if (!GlobalTabNeck) return false;
  }
  return PtrAndHand(&neck, GlobalTabNeck, kTailleNeck) == noErr;
}

void TrieTabNeck() {
  Neck* necks = Necks();
  const int32_t n = GetNbNecks();
  if (n < 2) return;
  // Stable, so necks that compare equal keep the order they were added in.
  std::stable_sort(necks, necks + n, [](const Neck& a, const Neck& b) { return VectClasseNeck(&a, &b) < 0; });
}

// Reads the neck file the tagged reader is on: every "{" ... "}" section
// fills the same record.
void LitFichierNeck(Neck* neck) {
  if (!TagWait("{", nullptr)) return;
  do {
    TagWaitPtr("}", LoadTraiteNeck, neck);
  } while (TagWait("{", nullptr));
}

}  // namespace

void LibereTabNeck() {
  if (GlobalTabNeck) DisposeHandle(GlobalTabNeck);
  GlobalTabNeck = nullptr;
}

void InitTabNeck() {
  PushPath();
  LibereTabNeck();
  // A folder that is not set must not make us read whatever folder is current.
  if (SetPathNecks() == noErr) AddFichiersNecks(kNeckApplication);
  if (SetPathUserNecks() == noErr) AddFichiersNecks(kNeckUtilisateur);
  TrieTabNeck();
  PopPath();
}

void AddFichiersNecks(uint8_t source) {
  char masque[16];
  std::snprintf(masque, sizeof masque, "*.%s", "nck");
  // The names are read in their sorted order, so that the table never depends
  // on the order the file system lists them in.
  std::vector<std::string> noms;
  FindFileRec rec;
  if (SystemDependantFindFirstFile(masque, 0, &rec)) {
    do {
      if (rec.kind != kFindKindDossier) noms.emplace_back(rec.nom);
    } while (SystemDependantFindNextFile(&rec));
    SystemDependantFindClose(&rec);
  }
  std::sort(noms.begin(), noms.end());

  for (const std::string& nom : noms) {
    FILE* f = OuvreFichier(nom.c_str(), "r");
    if (!f) continue;
    Neck neck;
    std::memset(&neck, 0, sizeof neck);
    TagSetFile(f);
    LitFichierNeck(&neck);
    TagCloseFile();
    neck.source = source;
    if (!neck.nom[0]) {
      char base[kTailleNomFichier];
      extrait_extension(nom.c_str(), base, nullptr);
      strnzcpy(neck.nom, base, sizeof neck.nom);
    }
    if (!neck.nomFR[0]) std::memcpy(neck.nomFR, neck.nom, sizeof neck.nomFR);
    if (!AjouteNeck(neck)) return;
  }
}

bool LoadTraiteNeck(char* word, void* record) {
  auto* neck = static_cast<Neck*>(record);
  if (std::strcmp(word, "ID") == 0) {
    neck->id = TagReadLong();
  } else if (std::strcmp(word, "Name") == 0) {
    TagReadStringGuillemet(neck->nom, sizeof neck->nom);
  } else if (std::strcmp(word, "Comment") == 0) {
    TagReadStringGuillemet(neck->commentaire, sizeof neck->commentaire);
  } else if (std::strcmp(word, "NameFR") == 0) {
    TagReadStringGuillemet(neck->nomFR, sizeof neck->nomFR);
  } else if (std::strcmp(word, "CommentFR") == 0) {
    TagReadStringGuillemet(neck->commentaireFR, sizeof neck->commentaireFR);
  } else if (std::strcmp(word, "Transpose") == 0) {
    neck->transpose = uint8_t(TagReadShort());
  } else if (std::strcmp(word, "Mode") == 0) {
    neck->mode = uint8_t(TagReadShort());
  } else if (std::strcmp(word, "{") == 0) {
    CordeNeck corde = {0, 0, 0};
    TagWaitPtr("}", LoadTraiteCordeNeck, &corde);
    if (neck->nbCordes >= 0 && neck->nbCordes < kMaxCordesNeck) neck->cordes[neck->nbCordes++] = corde;
  }
  return true;
}

bool LoadTraiteCordeNeck(char* word, void* string) {
  auto* corde = static_cast<CordeNeck*>(string);
  if (std::strcmp(word, "Pch") == 0) corde->hauteur = TagReadShort();
  else if (std::strcmp(word, "Nb") == 0) corde->nbCases = TagReadShort();
  else if (std::strcmp(word, "Fst") == 0) corde->premiereCase = TagReadShort();
  return true;
}

int32_t ReadNeck() {
  const int32_t id = ReadLong();
  const int16_t presence = ReadCar();
  const int32_t resultat = id == kNeckPiano ? 0 : id;
  if (presence != 1) return resultat;

  Neck neck;
  std::memset(&neck, 0, sizeof neck);
  neck.source = kNeckUtilisateur;
  neck.id = id;
  ReadString(neck.nom, sizeof neck.nom);
  ReadString(neck.commentaire, sizeof neck.commentaire);
  ReadString(neck.nomFR, sizeof neck.nomFR);
  ReadString(neck.commentaireFR, sizeof neck.commentaireFR);
  neck.transpose = uint8_t(ReadShort());
  neck.mode = uint8_t(ReadShort());
  const int16_t nombre = ReadShort();
  // A damaged count may not send us reading far past the stream's end.
  if (nombre > 0 && int64_t(nombre) * kTailleCordeStockee > GetStreamRemaining()) {
    ioCustom.finFichier = 1;
    return resultat;
  }
  for (int16_t i = 0; i < nombre; i++) {
    CordeNeck corde;
    corde.hauteur = ReadShort();
    corde.nbCases = ReadShort();
    corde.premiereCase = ReadShort();
    // Strings beyond the sixteenth are read past so the stream stays in step.
    if (i < kMaxCordesNeck) neck.cordes[neck.nbCordes++] = corde;
  }
  // A neck cut short by the stream's end is not kept.
  if (EndOfFile()) return resultat;
  if (RechercheIndexNeck(id) < 0 && AjouteNeck(neck)) TrieTabNeck();
  return resultat;
}

int32_t GetNbNecks() { return GlobalTabNeck ? GetHandleSize(GlobalTabNeck) / kTailleNeck : 0; }

bool GetNeck(int32_t index, Neck* neck) {
  if (!neck || index < 0 || index >= GetNbNecks()) return false;
  *neck = Necks()[index];
  return true;
}

int32_t RechercheIndexNeck(int32_t id) {
  const Neck* necks = Necks();
  const int32_t n = GetNbNecks();
  for (int32_t i = 0; i < n; i++)
    if (necks[i].id == id) return i;
  return -1;
}

int16_t GetNbCordesNeck(int32_t id) {
  const int32_t i = RechercheIndexNeck(id);
  return i < 0 ? -1 : Necks()[i].nbCordes;
}

void FixeNeckPresent(int32_t id, uint8_t flag) {
  const int32_t i = RechercheIndexNeck(id);
  if (i >= 0) Necks()[i].present = flag;
}

int32_t RechercheNeckSelonAccordageSelonMode(int16_t count, const int16_t* pitches, uint8_t source) {
  if (count > 0 && !pitches) return kNeckPersonnalise;
  const Neck* necks = Necks();
  const int32_t n = GetNbNecks();
  for (int32_t i = 0; i < n; i++) {
    const Neck& neck = necks[i];
    if (neck.source != source || neck.nbCordes != count) continue;
    int16_t c = 0;
    // Pitch classes only: a tuning an octave down is the same neck.
    while (c < count && neck.cordes[c].hauteur % 12 == pitches[c] % 12) c++;
    if (c == count) return neck.id;
  }
  return kNeckPersonnalise;
}

int32_t RechercheNeckSelonAccordage(int16_t count, const int16_t* pitches) {
  const int32_t id = RechercheNeckSelonAccordageSelonMode(count, pitches, kNeckApplication);
  if (id != kNeckPersonnalise) return id;
  return RechercheNeckSelonAccordageSelonMode(count, pitches, kNeckUtilisateur);
}

int VectClasseNeck(const Neck* a, const Neck* b) {
  if (a->source != b->source) return a->source > b->source ? -1 : 1;
  if (a->id != b->id) return a->id < b->id ? -1 : 1;
  return 0;
}
