#include "system/BudgetRequete.h"

#include <chrono>
#include <cstdlib>

namespace {

using Horloge = std::chrono::steady_clock;

// The host hands its bound to the plug-in through the environment, set
// before the library is loaded (the plug-in exports only its factory).
double DelaiInitial() {
  const char* texte = std::getenv("TAMREL_TIME_LIMIT");
  if (!texte || !*texte) return kDelaiRequeteDefaut;
  char* fin = nullptr;
  const double secondes = std::strtod(texte, &fin);
  return fin && *fin == 0 && secondes >= 0 && secondes <= 86400 ? secondes : kDelaiRequeteDefaut;
}

double gDelai = DelaiInitial();
bool gBorne = false;
Horloge::time_point gEcheance;

}  // namespace

void FixeDelaiRequete(double secondes) { gDelai = secondes; }
double DelaiRequete() { return gDelai; }

void DebutBudgetRequete() {
  gBorne = gDelai > 0;
  if (gBorne)
    gEcheance = Horloge::now() + std::chrono::duration_cast<Horloge::duration>(std::chrono::duration<double>(gDelai));
}

bool DelaiRequeteDepasse() { return gBorne && Horloge::now() >= gEcheance; }
