#include "layout/Imprimante.h"

#include <cstring>

#include "platform/Memory.h"
#include "system/Dossiers.h"
#include "system/Handles.h"
#include "system/Reporters.h"

THPrint GlobalHPrint = nullptr;
THPrint GlobalHPrintStd = nullptr;
THPrint GlobalHPrintMax = nullptr;

namespace {

PMPrintSession printSession = nullptr;
bool isOpen = false;
bool noDefaultPrinterShown = false;
// The error of the last session creation: without a session PrError has
// nothing to ask, and a driver that could not be opened must not pass for open.
OSStatus lastOpenError = 0;

constexpr char kMagicPrm[] = "HPrintCarbon1.1";
constexpr size_t kMagicPrmSize = 15;
// A flattened block of the parameters file is a few hundred bytes; anything
// near this is a damaged file.
constexpr uint32_t kMaxBlocPrm = 1u << 20;

int16_t Trunc16(double v) {
  if (v >= 32767.0) return 32767;
  if (v <= -32768.0) return -32768;
  return int16_t(v);
}

Rect RectTronque(const PMRect& r, float f) {
  return Rect{Trunc16(float(r.top) * f), Trunc16(float(r.left) * f), Trunc16(float(r.bottom) * f),
              Trunc16(float(r.right) * f)};
}

bool LitBigEndian32(FILE* file, uint32_t* value) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, file) != 4) return false;
  *value = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
  return true;
}

long OctetsRestants(FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
  return end - here;
}

// Reads one length-prefixed block into a new handle; 0 or the error.
OSStatus LitBlocPrm(FILE* file, Handle* bloc) {
  *bloc = nullptr;
  uint32_t n;
  if (!LitBigEndian32(file, &n)) return eofErr;
  long reste = OctetsRestants(file);
  if (reste < 0 || n > uint32_t(reste)) return eofErr;
  if (n > kMaxBlocPrm) return paramErr;
  Handle h = NewHandle(Size(n));
  if (h == nullptr) return memFullErr;
  if (n > 0 && std::fread(*h, 1, n, file) != n) {
    DisposeHandle(h);
    return eofErr;
  }
  *bloc = h;
  return noErr;
}

void LibereObjet(PMObject* o) {
  if (*o != nullptr) {
    PMRelease(*o);
    *o = nullptr;
  }
}

THPrint NouveauHPrint() { return reinterpret_cast<THPrint>(NewHandleClear(sizeof(TPrintRecord))); }

// Copies a saved record's resolutions, rectangles and the two words back.
void RestaureCopie(THPrint copie) {
  if (GlobalHPrint == nullptr) return;
  TPrintRecord& d = **GlobalHPrint;
  const TPrintRecord& s = **copie;
  d.info = s.info;
  d.paper = s.paper;
  d.mot1 = s.mot1;
  d.mot2 = s.mot2;
}

THPrint SauveCopie(THPrint* copie) {
  if (GlobalHPrint == nullptr) return nullptr;
  Handle h = DupHandle(reinterpret_cast<Handle>(GlobalHPrint));
  *copie = reinterpret_cast<THPrint>(h);
  return *copie;
}

}  // namespace

bool IsPapierVide(THPrint record) {
  if (record == nullptr) return true;
  const Rect& p = (*record)->paper;
  return p.left >= p.right || p.top >= p.bottom;
}

void InstallePageDefaut(THPrint record) {
  if (record == nullptr) return;
  TPrintRecord& r = **record;
  r.paper = Rect{-14, -14, 828, 582};
  r.info.page = Rect{0, 0, 800, 560};
  r.info.resV = 72;
  r.info.resH = 72;
  r.saved = r.info;
}

OSStatus CarboniseReadHPrint(FILE* file, THPrint record) {
  if (file == nullptr || record == nullptr) return paramErr;
  char magic[kMagicPrmSize];
  if (std::fread(magic, 1, kMagicPrmSize, file) != kMagicPrmSize || std::memcmp(magic, kMagicPrm, kMagicPrmSize) != 0)
    return -1;
  Handle flat = nullptr;
  OSStatus err = LitBlocPrm(file, &flat);
  if (err != noErr) return err;
  PMPageFormat format = nullptr;
  err = PMUnflattenPageFormat(flat, &format);
  DisposeHandle(flat);
  if (err != noErr) {
    Avertissement(0, 0, "PMUnflattenPageFormat err %d", int(err));
    return err;
  }
  err = LitBlocPrm(file, &flat);
  if (err != noErr) {
    PMRelease(format);
    return err;
  }
  PMPrintSettings settings = nullptr;
  err = PMUnflattenPrintSettings(flat, &settings);
  DisposeHandle(flat);
  if (err != noErr) {
    Avertissement(0, 0, "PMUnflattenPrintSettings err %d", int(err));
    PMRelease(format);
    return err;
  }
  // Only a whole pair replaces what the record held.
  TPrintRecord& r = **record;
  LibereObjet(&r.pageFormat);
  LibereObjet(&r.printSettings);
  r.pageFormat = format;
  r.printSettings = settings;
  return noErr;
}

void ReadPrmPrint() {
  if (GlobalHPrint == nullptr) GlobalHPrint = NouveauHPrint();
  if (GlobalHPrint == nullptr) return;
  PrOpen();
  bool lu = false;
  if (FILE* f = OuvreFichierPref("TPRINT.PRM", "rb")) {
    lu = CarboniseReadHPrint(f, GlobalHPrint) == noErr;
    std::fclose(f);
  }
  if (lu) {
    PrValidate(GlobalHPrint);
  } else {
    PrintDefault(GlobalHPrint);
    if (IsPapierVide(GlobalHPrint)) InstallePageDefaut(GlobalHPrint);
  }
  if (IsPapierVide(GlobalHPrint)) InstallePageDefaut(GlobalHPrint);
  PrClose();
}

OSStatus OuvrePrinterDriver() {
  if (GlobalHPrint == nullptr) ReadPrmPrint();
  PrSetError(0);
  PrOpen();
  OSStatus err = isOpen ? PrError() : lastOpenError;
  // The parameter-file writer the driver would mark as due is not part of the
  // previewer: nothing is ever written back.
  return err;
}

void PrOpen() {
  if (isOpen) return;
  PMPrintSession session = nullptr;
  OSStatus err = PMCreateSession(&session);
  if (session != nullptr) {
    printSession = session;
    PMSessionSetError(session, err);
  }
  lastOpenError = err;
  if (err == noErr && session != nullptr) {
    isOpen = true;
    return;
  }
  if (err == kPMInvalidPrintSession) {
    Avertissement(0, 0,
                  "PRERR002 :Invalid print session, check a valid printer driver is installed and selected in your "
                  "system setup.");
  } else if (err == kPMNoDefaultPrinter) {
    if (!noDefaultPrinterShown) {
      noDefaultPrinterShown = true;
      Avertissement(0, 0,
                    "PRERR001 : No default printer selected, please select a default printer in your system setup.");
    }
  } else {
    Avertissement(0, 0, "%s Err # %d", "PrOpen:PMCreateSession", int(err));
  }
  if (session != nullptr) {
    PMRelease(session);
    printSession = nullptr;
  }
  if (err == noErr) lastOpenError = kPMInvalidPrintSession;
}

void PrClose() {
  if (!isOpen) return;
  OSStatus err = PMRelease(printSession);
  if (err != noErr) Avertissement(0, 0, "PrClose:PMRelease err %d", int(err));
  printSession = nullptr;
  isOpen = false;
}

OSStatus PrError() {
  if (printSession == nullptr) return 0;
  return PMSessionError(printSession);
}

void PrSetError(OSStatus error) {
  if (printSession == nullptr) return;
  OSStatus err = PMSessionSetError(printSession, error);
  if (err != noErr) Avertissement(0, 0, "PrSetError: err %d", int(err));
}

void PrintDefault(THPrint record) {
  if (record == nullptr) return;
  if ((*record)->pageFormat == nullptr) {
    PMPageFormat format = nullptr;
    if (PMCreatePageFormat(&format) != noErr) return;
    (*record)->pageFormat = format;
    if (PMSessionDefaultPageFormat(printSession, format) != noErr) return;
  }
  if ((*record)->printSettings == nullptr) {
    PMPrintSettings settings = nullptr;
    if (PMCreatePrintSettings(&settings) != noErr) return;
    (*record)->printSettings = settings;
    if (PMSessionDefaultPrintSettings(printSession, settings) != noErr) return;
  }
  Boolean changed = 0;
  if (PMSessionValidatePageFormat(printSession, (*record)->pageFormat, &changed) == noErr) AjusteThPrint(record);
}

bool PrValidate(THPrint record) {
  if (record == nullptr) return false;
  Boolean changed = 0;
  if (PMSessionValidatePageFormat(printSession, (*record)->pageFormat, &changed) != noErr) {
    LibereObjet(&(*record)->pageFormat);
    LibereObjet(&(*record)->printSettings);
    return false;
  }
  AjusteThPrint(record);
  return true;
}

void AjusteThPrint(THPrint record) {
  if (record == nullptr) return;
  TPrintRecord& r = **record;
  if (r.pageFormat == nullptr) {
    Printf("AjusteThPrint : kPMNoPageFormat\n");
    return;
  }
  PMRect pr;
  OSStatus err = PMGetAdjustedPaperRect(r.pageFormat, &pr);
  if (err != noErr) Printf("PMGetAdjustedPaperRect err %d\n", int(err));
  else r.paper = RectTronque(pr, 1.0f);
  r.ajuste = 0;

  uint32_t v;
  if (PMGetFirstPage(r.printSettings, &v) == noErr) r.firstPage = v > 32767 ? 32767 : int16_t(v);
  if (r.firstPage < 1) r.firstPage = 1;
  if (PMGetLastPage(r.printSettings, &v) == noErr) r.lastPage = v > 32767 ? int16_t(-1) : int16_t(v);
  if (r.lastPage < r.firstPage) r.lastPage = 9999;
  if (PMGetCopies(r.printSettings, &v) == noErr && v < 30) r.copies = int16_t(v);
  if (r.copies < 1) r.copies = 1;

  if (!(r.info.resV >= 2 && r.info.resH > 1)) {
    PMResolution res;
    err = PMGetResolution(r.pageFormat, &res);
    if (err != noErr) {
      Printf("PMGetResolution err %d\n", int(err));
    } else {
      r.info.resV = Trunc16(res.vRes);
      r.info.resH = Trunc16(res.hRes);
    }
    err = PMGetAdjustedPageRect(r.pageFormat, &pr);
    if (err != noErr) Printf("PMGetAdjustedPageRect err %d\n", int(err));
    else r.info.page = RectTronque(pr, 1.0f);
  }
  CalculeAirePagePrint(record);
}

void CalculeAirePagePrint(THPrint record) {
  if (record == nullptr) return;
  TPrintRecord& r = **record;
  PMResolution res;
  OSStatus err = PMGetResolution(r.pageFormat, &res);
  if (err != noErr || res.hRes <= 0.0) {
    Printf("PMGetResolution : err %d\n", int(err));
    return;
  }
  const float f = float(r.info.resH) / float(res.hRes);
  PMRect pr;
  err = PMGetAdjustedPageRect(r.pageFormat, &pr);
  if (err != noErr) {
    Printf("PMGetAdjustedPageRect : err %d\n", int(err));
    return;
  }
  r.info.page = RectTronque(pr, f);
  err = PMGetAdjustedPaperRect(r.pageFormat, &pr);
  if (err != noErr) {
    Printf("PMGetAdjustedPaperRect : err %d\n", int(err));
    return;
  }
  r.paper = RectTronque(pr, f);
}

OSStatus CarboniseSetPrinterStdResolution(THPrint record) {
  if (record == nullptr) {
    Avertissement(0, 0, "CarboniseSetPrinterStdResolution hprint null");
    return 1;
  }
  if (!isOpen) return 1;
  PMPrinter printer = nullptr;
  OSStatus err = PMSessionGetCurrentPrinter(printSession, &printer);
  if (err != noErr) {
    Printf("CarboniseSetPrinterStdResolution:PMSessionGetCurrentPrinter err %d\n", int(err));
    return err;
  }
  PMResolution res;
  err = PMPrinterGetPrinterResolution(printer, kPMDefaultResolutionTag, &res);
  if (err == noErr) {
    (*record)->info.resV = Trunc16(res.vRes);
    (*record)->info.resH = Trunc16(res.hRes);
    CalculeAirePagePrint(record);
  }
  return err;
}

OSStatus CarboniseSetPrinterMaxResolution(THPrint record) {
  if (record == nullptr) {
    Avertissement(0, 0, "CarboniseSetPrinterMaxResolution hprint null");
    return 1;
  }
  if (!isOpen) return 1;
  PMPrinter printer = nullptr;
  OSStatus err = PMSessionGetCurrentPrinter(printSession, &printer);
  if (err != noErr) {
    Printf("CarboniseSetPrinterMaxResolution:PMSessionGetCurrentPrinter err %d\n", int(err));
    return err;
  }
  PMResolution res;
  err = PMPrinterGetPrinterResolution(printer, kPMMaxSquareResolutionTag, &res);
  if (err == kPMValueOutOfRange || err == kPMNotSupported || err == kPMGeneralError) {
    // The printer cannot tell: keep what the record has.
    PrSetError(0);
    return noErr;
  }
  if (err != noErr) {
    Printf("CarboniseSetPrinterMaxResolution:PMGetPrinterResolution:err %d\n", int(err));
    return err;
  }
  const int16_t dpi = Trunc16(res.hRes > 600.0 ? 600.0 : res.hRes);
  (*record)->info.resV = dpi;
  (*record)->info.resH = dpi;
  CalculeAirePagePrint(record);
  return noErr;
}

int16_t FixeResolutionStdImprimante() {
  if (GlobalHPrintStd != nullptr) {
    RestaureCopie(GlobalHPrintStd);
    return 1;
  }
  if (OuvrePrinterDriver() != noErr) return 0;
  OSStatus err = CarboniseSetPrinterStdResolution(GlobalHPrint);
  PrClose();
  PrError();
  if (err == noErr) SauveCopie(&GlobalHPrintStd);
  return err == noErr ? 1 : 0;
}

int16_t FixeResolutionMaxImprimante() {
  if (GlobalHPrintMax != nullptr) {
    const int16_t avant = GlobalHPrint ? (*GlobalHPrint)->info.resH : 0;
    RestaureCopie(GlobalHPrintMax);
    return (GlobalHPrint && (*GlobalHPrint)->info.resH != avant) ? 1 : 0;
  }
  if (OuvrePrinterDriver() == noErr) {
    PrintDefault(GlobalHPrint);
    if (IsPapierVide(GlobalHPrint)) InstallePageDefaut(GlobalHPrint);
    OSStatus err = CarboniseSetPrinterMaxResolution(GlobalHPrint);
    PrClose();
    if (err == noErr) SauveCopie(&GlobalHPrintMax);
  }
  return 1;
}

void LibereImprimante() {
  PrClose();
  if (GlobalHPrint != nullptr) {
    LibereObjet(&(*GlobalHPrint)->pageFormat);
    LibereObjet(&(*GlobalHPrint)->printSettings);
  }
  LibereHandle(&GlobalHPrint);
  LibereHandle(&GlobalHPrintStd);
  LibereHandle(&GlobalHPrintMax);
  noDefaultPrinterShown = false;
  lastOpenError = 0;
}
