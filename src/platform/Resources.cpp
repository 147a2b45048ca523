#include "platform/Resources.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Memory.h"

namespace {

struct Ressource {
  std::string octets;  // the resource's bytes as stored
  Handle charge = nullptr;
};

typedef std::map<std::pair<ResType, int16_t>, Ressource> Magasin;

OSErr gResErr = noErr;
int16_t gFichierCourant = kFichierRessourceApplication;

// Builds a string list as stored: a big-endian count, then length-prefixed
// strings. The texts are Mac Roman bytes, as the engine expects of its lists.
std::string ListeChaines(std::initializer_list<const char*> chaines) {
  std::string r;
  r.push_back(char((chaines.size() >> 8) & 0xFF));
  r.push_back(char(chaines.size() & 0xFF));
  for (const char* c : chaines) {
    size_t n = std::strlen(c);
    if (n > 255) n = 255;
    r.push_back(char(n));
    r.append(c, n);
  }
  return r;
}

// A list whose strings are given by index (from 1); the others are empty.
std::string ListeChainesIndexees(std::initializer_list<std::pair<int, const char*>> chaines) {
  int n = 0;
  for (const auto& c : chaines) n = c.first > n ? c.first : n;
  std::vector<std::string> t(static_cast<size_t>(n));
  for (const auto& c : chaines) t[size_t(c.first - 1)] = c.second;
  std::string r;
  r.push_back(char((n >> 8) & 0xFF));
  r.push_back(char(n & 0xFF));
  for (const std::string& c : t) {
    r.push_back(char(c.size() > 255 ? 255 : c.size()));
    r.append(c, 0, 255);
  }
  return r;
}

void RemplitListes(Magasin& m) {
  auto ajoute = [&m](int16_t id, std::initializer_list<const char*> chaines) {
    m[{kTypeSTR, id}].octets = ListeChaines(chaines);
  };
  // Month names (1 to 12) and day names (1 Sunday to 7), English then French.
  ajoute(129, {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
               "November", "December"});
  ajoute(130, {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"});
  ajoute(131, {"janvier", "f\x8Evrier", "mars", "avril", "mai", "juin", "juillet", "ao\x9Et", "septembre", "octobre",
               "novembre",
               "d\x8E"
               "cembre"});
  ajoute(132, {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"});
  // Note names, parallel indexes: solfege and letters.
  ajoute(1020, {"DO", "RE", "MI", "FA", "SOL", "LA", "SI"});
  ajoute(1021, {"C", "D", "E", "F", "G", "A", "B"});
  // Harmonica header labels: blow/draw in full (label mode 1), short (mode 2),
  // the hole line, and the pair of the single-line style.
  ajoute(1042, {"Blow", "Draw", "B", "D", "Hole", "Blow", "Draw"});
  // Loose strings from 500 on (number - 500): the word before a new target's
  // number (1097) and the warning that lists unknown chord names (695).
  m[{kTypeSTR, 1001}].octets = ListeChainesIndexees({{195, "Unknown chords: %s"}, {597, "Target"}});
}

// Lives as long as the process: handles loaded from it stay valid until exit.
Magasin& LeMagasin() {
  static Magasin* m = [] {
    Magasin* r = new Magasin;
    RemplitListes(*r);
    return r;
  }();
  return *m;
}

Ressource* Trouve(ResType type, int16_t id) {
  Magasin& m = LeMagasin();
  auto it = m.find({type, id});
  return it == m.end() ? nullptr : &it->second;
}

Ressource* TrouveCharge(Handle h) {
  if (!h) return nullptr;
  for (auto& e : LeMagasin())
    if (e.second.charge == h) return &e.second;
  return nullptr;
}

}  // namespace

Handle GetResource(ResType type, int16_t id) {
  Ressource* r = Trouve(type, id);
  if (!r) {
    gResErr = resNotFound;
    return nullptr;
  }
  if (!r->charge) {
    Handle h = nullptr;
    if (PtrToHand(r->octets.data(), &h, Size(r->octets.size())) != noErr) {
      gResErr = memFullErr;
      return nullptr;
    }
    r->charge = h;
  }
  gResErr = noErr;
  return r->charge;
}

Handle Get1Resource(ResType type, int16_t id) {
  if (gFichierCourant != kFichierRessourceApplication) {
    gResErr = resNotFound;
    return nullptr;
  }
  return GetResource(type, id);
}

void ReleaseResource(Handle h) {
  Ressource* r = TrouveCharge(h);
  if (!r) {
    gResErr = resNotFound;
    return;
  }
  DisposeHandle(r->charge);
  r->charge = nullptr;
  gResErr = noErr;
}

void DetachResource(Handle h) {
  Ressource* r = TrouveCharge(h);
  if (!r) {
    gResErr = resNotFound;
    return;
  }
  r->charge = nullptr;
  gResErr = noErr;
}

OSErr ResError() { return gResErr; }

int16_t CurResFile() { return gFichierCourant; }

void UseResFile(int16_t refNum) {
  if (refNum == kFichierRessourceApplication || refNum == 0) {
    gFichierCourant = kFichierRessourceApplication;
    gResErr = noErr;
  } else {
    gResErr = resFNotFound;
  }
}

void CloseResFile(int16_t) { gResErr = noErr; }

int16_t OpenResFile(const char*) {
  gResErr = fnfErr;
  return -1;
}

void GetIndString(unsigned char* out, int16_t id, int16_t index) {
  if (!out) return;
  out[0] = 0;
  Handle h = GetResource(kTypeSTR, id);
  if (!h || index < 1) return;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(*h);
  Size taille = GetHandleSize(h);
  if (taille < 2) return;
  int nb = (p[0] << 8) | p[1];
  Size pos = 2;
  for (int i = 1; i <= nb && pos < taille; i++) {
    int n = p[pos];
    if (pos + 1 + n > taille) return;
    if (i == index) {
      std::memcpy(out, p + pos, size_t(n) + 1);
      return;
    }
    pos += 1 + n;
  }
}

bool PlatformAddResource(ResType type, int16_t id, const void* data, Size size) {
  if (size < 0 || (size > 0 && !data)) return false;
  Ressource& r = LeMagasin()[{type, id}];
  if (r.charge) {
    DisposeHandle(r.charge);
    r.charge = nullptr;
  }
  r.octets.assign(static_cast<const char*>(data), size_t(size));
  return true;
}

Handle PlatformGetLoadedResource(ResType type, int16_t id) {
  Ressource* r = Trouve(type, id);
  return r ? r->charge : nullptr;
}

Handle PlatformGetResourceCopy(ResType type, int16_t id, bool currentFileOnly) {
  if (currentFileOnly && gFichierCourant != kFichierRessourceApplication) return nullptr;
  Ressource* r = Trouve(type, id);
  if (!r) return nullptr;
  Handle h = nullptr;
  if (PtrToHand(r->octets.data(), &h, Size(r->octets.size())) != noErr) return nullptr;
  return h;
}
