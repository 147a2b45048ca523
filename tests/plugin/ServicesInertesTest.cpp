// What callers rely on from the services the plug-in leaves inert.
#include <gtest/gtest.h>

#include "plugin/ServicesInertes.h"

TEST(ServicesInertes, CallersAreNeverStoppedAndNothingPlays) {
  // A loop waiting for the progress dialog to ask for a stop runs to its end.
  int tours = 0;
  for (int i = 0; i < 1000 && !DoIdleDialogueProgression(i); i++) tours++;
  EXPECT_EQ(tours, 1000);
  EXPECT_EQ(BreakUtilisateurQuarvel(), 0);
  EXPECT_EQ(Confirmation("delete?"), 1);
  EXPECT_EQ(SystemDependantCanDrawBezier(), 0);
  EXPECT_EQ(OrganeMidiToInterface(3), -1);
  EXPECT_EQ(AjusteAccompagnementQdSupprimePortee(), 1);
  int16_t canaux = 2;
  EXPECT_EQ(MP3DecodeMemory("ID3", 3, nullptr, &canaux, nullptr), 0);
  EXPECT_EQ(canaux, 0);
  EXPECT_EQ(DecodePisteMp3(1, 417, 1152, 576), 0);
  for (bool (*sonde)(const char*) :
       {IsFichierKaraokeMidi, IsFichierMidi, IsFichierCMF, IsFichierMod, IsFichierS3M, IsFichierBB, IsFichierMsf})
    EXPECT_FALSE(sonde("song.mid"));
}
