#include "sound/LanguesVoix.h"

#include <cstdio>
#include <cstring>

#include "platform/Memory.h"

Handle LYLang = nullptr;

namespace {

struct NomFixe {
  const char* nom;
  uint16_t id;
};
constexpr NomFixe kNomsFixes[] = {
    {"fre-0", 1}, {"fre-1", 2}, {"eng-0", 3}, {"enu-0", 4},  {"lat-0", 5},  {"spa-0", 6},
    {"ita-0", 7}, {"fin-0", 8}, {"jpn-0", 9}, {"ger-0", 10}, {"oci-0", 11},
};

// Two-letter codes of lyrics with their three-letter codes, in the order of
// the two-letter codes. Japanese is keyed "jp", and "us" is American English.
struct Conversion {
  char deux[3];
  char trois[4];
};
constexpr Conversion kLangConv[] = {
    {"aa", "aar"}, {"ab", "abk"}, {"ae", "ave"}, {"af", "afr"}, {"ak", "aka"}, {"am", "amh"}, {"an", "arg"},
    {"ar", "ara"}, {"as", "asm"}, {"av", "ava"}, {"ay", "aym"}, {"az", "aze"}, {"ba", "bak"}, {"be", "bel"},
    {"bg", "bul"}, {"bh", "bih"}, {"bi", "bis"}, {"bm", "bam"}, {"bn", "ben"}, {"bo", "tib"}, {"br", "bre"},
    {"bs", "bos"}, {"ca", "cat"}, {"ce", "che"}, {"ch", "cha"}, {"co", "cos"}, {"cr", "cre"}, {"cs", "cze"},
    {"cu", "chu"}, {"cv", "chv"}, {"cy", "wel"}, {"da", "dan"}, {"de", "ger"}, {"dv", "div"}, {"dz", "dzo"},
    {"ee", "ewe"}, {"el", "gre"}, {"en", "eng"}, {"eo", "epo"}, {"es", "spa"}, {"et", "est"}, {"eu", "baq"},
    {"fa", "per"}, {"ff", "ful"}, {"fi", "fin"}, {"fj", "fij"}, {"fo", "fao"}, {"fr", "fre"}, {"fy", "fry"},
    {"ga", "gle"}, {"gd", "gla"}, {"gl", "glg"}, {"gn", "grn"}, {"gu", "guj"}, {"gv", "glv"}, {"ha", "hau"},
    {"he", "heb"}, {"hi", "hin"}, {"ho", "hmo"}, {"hr", "hrv"}, {"ht", "hat"}, {"hu", "hun"}, {"hy", "arm"},
    {"hz", "her"}, {"ia", "ina"}, {"id", "ind"}, {"ie", "ile"}, {"ig", "ibo"}, {"ii", "iii"}, {"ik", "ipk"},
    {"io", "ido"}, {"is", "ice"}, {"it", "ita"}, {"iu", "iku"}, {"jp", "jpn"}, {"jv", "jav"}, {"ka", "geo"},
    {"kg", "kon"}, {"ki", "kik"}, {"kj", "kua"}, {"kk", "kaz"}, {"kl", "kal"}, {"km", "khm"}, {"kn", "kan"},
    {"ko", "kor"}, {"kr", "kau"}, {"ks", "kas"}, {"ku", "kur"}, {"kv", "kom"}, {"kw", "cor"}, {"ky", "kir"},
    {"la", "lat"}, {"lb", "ltz"}, {"lg", "lug"}, {"li", "lim"}, {"ln", "lin"}, {"lo", "lao"}, {"lt", "lit"},
    {"lu", "lub"}, {"lv", "lav"}, {"mg", "mlg"}, {"mh", "mah"}, {"mi", "mao"}, {"mk", "mac"}, {"ml", "mal"},
    {"mn", "mon"}, {"mr", "mar"}, {"ms", "may"}, {"mt", "mlt"}, {"my", "bur"}, {"na", "nau"}, {"nb", "nob"},
    {"nd", "nde"}, {"ne", "nep"}, {"ng", "ndo"}, {"nl", "dut"}, {"nn", "nno"}, {"no", "nor"}, {"nr", "nbl"},
    {"nv", "nav"}, {"ny", "nya"}, {"oc", "oci"}, {"oj", "oji"}, {"om", "orm"}, {"or", "ori"}, {"os", "oss"},
    {"pa", "pan"}, {"pi", "pli"}, {"pl", "pol"}, {"ps", "pus"}, {"pt", "por"}, {"qu", "que"}, {"rm", "roh"},
    {"rn", "run"}, {"ro", "rum"}, {"ru", "rus"}, {"rw", "kin"}, {"sa", "san"}, {"sc", "srd"}, {"sd", "snd"},
    {"se", "sme"}, {"sg", "sag"}, {"si", "sin"}, {"sk", "slo"}, {"sl", "slv"}, {"sm", "smo"}, {"sn", "sna"},
    {"so", "som"}, {"sq", "alb"}, {"sr", "srp"}, {"ss", "ssw"}, {"st", "sot"}, {"su", "sun"}, {"sv", "swe"},
    {"sw", "swa"}, {"ta", "tam"}, {"te", "tel"}, {"tg", "tgk"}, {"th", "tha"}, {"ti", "tir"}, {"tk", "tuk"},
    {"tl", "tgl"}, {"tn", "tsn"}, {"to", "ton"}, {"tr", "tur"}, {"ts", "tso"}, {"tt", "tat"}, {"tw", "twi"},
    {"ty", "tah"}, {"ug", "uig"}, {"uk", "ukr"}, {"ur", "urd"}, {"us", "enu"}, {"uz", "uzb"}, {"ve", "ven"},
    {"vi", "vie"}, {"vo", "vol"}, {"wa", "wln"}, {"wo", "wol"}, {"xh", "xho"}, {"yi", "yid"}, {"yo", "yor"},
    {"za", "zha"}, {"zh", "chi"}, {"zu", "zul"},
};
static_assert(sizeof kLangConv / sizeof kLangConv[0] == 185);

int32_t NbLangues() { return LYLang ? int32_t(GetHandleSize(LYLang) / Size(sizeof(LangueVoix))) : 0; }

}  // namespace

uint16_t LYLangNameToID(const char* name) {
  if (!name) return 0;
  for (const NomFixe& f : kNomsFixes)
    if (std::strcmp(name, f.nom) == 0) return f.id;
  if (std::strlen(name) != 5) return 0;
  // Characters as signed bytes, as the engine computes them.
  const auto c = [name](int i) { return int32_t(int8_t(name[i])); };
  return uint16_t(((c(0) * 676 + c(1) * 26 + c(2)) * 3 + c(4) - 8013) & 0xFFFF);
}

uint16_t LYLang2CharToID(const char* code) {
  if (!code) return 0;
  for (const Conversion& c : kLangConv) {
    if (std::strcmp(code, c.deux) != 0) continue;
    char nom[8];
    std::snprintf(nom, sizeof nom, "%s-0", c.trois);
    return LYLangNameToID(nom);
  }
  return 0;
}

uint16_t CheckLangageVoix(uint16_t id) {
  const int32_t n = NbLangues();
  const auto* langues = n > 0 ? reinterpret_cast<const LangueVoix*>(*LYLang) : nullptr;
  for (int32_t i = 0; i < n; i++)
    if (langues[i].id == id) return id;
  return 0;
}

uint16_t LYGetLanguageIDByIndex(int32_t index) {
  if (index < 0 || index >= NbLangues()) return 0;
  return reinterpret_cast<const LangueVoix*>(*LYLang)[index].id;
}
