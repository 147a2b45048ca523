#include "sound/PisteNumerique.h"

#include "model/Portee.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "text/TextStyle.h"

// SEAM(sound): a track holds no sound yet: the default rate and no length.
uint32_t GetSampleRatePisteNumerique(Portee**) { return 44100; }
uint32_t GetLengthPisteNumerique(Portee**) { return 0; }

// SEAM(sound): only a track without samples is read: its settings, style and
// markers are passed over (the staff keeps its volume and pan); a track that
// holds samples ends the load.
int16_t ReadPisteNumerique(Portee** staff) {
  if (VersionQuarvelLoad >= 0x0964) {
    ReadLong();
    ReadShort();
  }
  const uint16_t volume = uint16_t(ReadShort());
  const uint16_t pan = uint16_t(ReadShort());
  const int32_t n = ReadLong();
  ReadGap(6);
  TextStyle style;
  ReadTextStyle(&style);
  const int16_t m = ReadShort();
  if (m > 0) {
    if (int64_t(m) * 4 > GetStreamRemaining()) return 0;
    ReadGap(int32_t(m) * 4);
  }
  if (VersionQuarvelLoad >= 0x0800) ReadGap(1);
  if (VersionQuarvelLoad >= 0x9632) ReadLong();
  if (EndOfFile()) return 0;
  if (staff) {
    (*staff)->volume = volume;
    (*staff)->pan = pan;
  }
  if (n <= 0) return 1;
  Collapse("ReadPisteNumerique: the samples of digital tracks are not read yet");
  ioCustom.finFichier = 1;
  return 0;
}
