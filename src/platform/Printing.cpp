#include "platform/Printing.h"

#include <cstring>
#include <new>

#include "platform/Memory.h"

namespace {

enum ObjectKind : uint32_t { kSession = 1, kPageFormat, kPrintSettings, kPrinter };

VirtualPrinter gPrinter;
int32_t gSessionCount = 0;

}  // namespace

struct PMObjectRec {
  ObjectKind kind;
  OSStatus error;      // session: the session's error
  VirtualPaper paper;  // page format
  bool hasPaper;       // page format: set by a default or an unflatten
  uint32_t firstPage;  // print settings
  uint32_t lastPage;
  uint32_t copies;
};

namespace {

PMObjectRec gObjetImprimante{kPrinter, 0, kVirtualPaperA4, false, 0, 0, 0};

bool IsKind(PMObject o, ObjectKind kind) { return o != nullptr && o->kind == kind; }

OSStatus NewObject(ObjectKind kind, PMObject* out) {
  if (out == nullptr) return paramErr;
  *out = nullptr;
  auto* o = new (std::nothrow) PMObjectRec{kind, 0, kVirtualPaperA4, false, 1, 9999, 1};
  if (o == nullptr) return memFullErr;
  *out = o;
  return noErr;
}

// Paper size in points, portrait.
void PaperPoints(VirtualPaper paper, double* width, double* height) {
  if (paper == kVirtualPaperUSLetter) {
    *width = 612.0;
    *height = 792.0;
  } else {
    *width = 595.0;
    *height = 842.0;
  }
}

void PutU16(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
uint32_t GetU16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | p[1]; }

constexpr unsigned char kFormatMagic[4] = {'T', 'Q', 'p', 'f'};
constexpr unsigned char kSettingsMagic[4] = {'T', 'Q', 'p', 's'};
constexpr Size kFormatFlatSize = 6;     // magic, version, paper
constexpr Size kSettingsFlatSize = 11;  // magic, version, first, last, copies

}  // namespace

void SetVirtualPrinter(const VirtualPrinter& printer) { gPrinter = printer; }
const VirtualPrinter& GetVirtualPrinter() { return gPrinter; }
void ResetVirtualPrinter() {
  gPrinter = VirtualPrinter{};
  gSessionCount = 0;
}
int32_t GetVirtualPrinterSessionCount() { return gSessionCount; }

OSStatus PMCreateSession(PMPrintSession* session) {
  if (session == nullptr) return paramErr;
  *session = nullptr;
  if (!gPrinter.present) return kPMNoDefaultPrinter;
  OSStatus err = NewObject(kSession, session);
  if (err == noErr) gSessionCount++;
  return err;
}

OSStatus PMRelease(PMObject object) {
  if (object == nullptr || object == &gObjetImprimante) return paramErr;
  delete object;
  return noErr;
}

OSStatus PMSessionError(PMPrintSession session) {
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  return session->error;
}

OSStatus PMSessionSetError(PMPrintSession session, OSStatus error) {
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  session->error = error;
  return noErr;
}

OSStatus PMSessionGetCurrentPrinter(PMPrintSession session, PMPrinter* printer) {
  if (printer == nullptr) return paramErr;
  *printer = nullptr;
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  if (!gPrinter.present) return kPMNoDefaultPrinter;
  *printer = &gObjetImprimante;
  return noErr;
}

OSStatus PMPrinterGetPrinterResolution(PMPrinter printer, PMPrinterResolutionTag tag, PMResolution* res) {
  if (!IsKind(printer, kPrinter) || res == nullptr) return paramErr;
  if (gPrinter.resolutionError != 0) return gPrinter.resolutionError;
  double r;
  switch (tag) {
    case kPMDefaultResolutionTag: r = gPrinter.defaultResolution; break;
    case kPMMaxSquareResolutionTag: r = gPrinter.maxResolution; break;
    default: return paramErr;
  }
  res->hRes = r;
  res->vRes = r;
  return noErr;
}

OSStatus PMCreatePageFormat(PMPageFormat* format) { return NewObject(kPageFormat, format); }

OSStatus PMSessionDefaultPageFormat(PMPrintSession session, PMPageFormat format) {
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  if (!IsKind(format, kPageFormat)) return paramErr;
  format->paper = gPrinter.paper;
  format->hasPaper = true;
  return noErr;
}

OSStatus PMSessionValidatePageFormat(PMPrintSession session, PMPageFormat format, Boolean* changed) {
  if (changed != nullptr) *changed = 0;
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  if (!IsKind(format, kPageFormat)) return paramErr;
  if (!format->hasPaper) {  // a format that never had a paper takes the printer's
    format->paper = gPrinter.paper;
    format->hasPaper = true;
    if (changed != nullptr) *changed = 1;
  }
  return noErr;
}

OSStatus PMGetAdjustedPaperRect(PMPageFormat format, PMRect* rect) {
  // The sheet has no unprintable border: paper and page are the same.
  return PMGetAdjustedPageRect(format, rect);
}

OSStatus PMGetAdjustedPageRect(PMPageFormat format, PMRect* rect) {
  if (!IsKind(format, kPageFormat) || rect == nullptr || !format->hasPaper) return paramErr;
  double w, h;
  PaperPoints(format->paper, &w, &h);
  *rect = PMRect{0.0, 0.0, h, w};
  return noErr;
}

OSStatus PMGetResolution(PMPageFormat format, PMResolution* res) {
  if (!IsKind(format, kPageFormat) || res == nullptr) return paramErr;
  *res = PMResolution{72.0, 72.0};
  return noErr;
}

OSStatus PMCreatePrintSettings(PMPrintSettings* settings) { return NewObject(kPrintSettings, settings); }

OSStatus PMSessionDefaultPrintSettings(PMPrintSession session, PMPrintSettings settings) {
  if (!IsKind(session, kSession)) return kPMInvalidPrintSession;
  if (!IsKind(settings, kPrintSettings)) return paramErr;
  settings->firstPage = 1;
  settings->lastPage = 9999;
  settings->copies = 1;
  return noErr;
}

OSStatus PMGetFirstPage(PMPrintSettings settings, uint32_t* first) {
  if (!IsKind(settings, kPrintSettings) || first == nullptr) return paramErr;
  *first = settings->firstPage;
  return noErr;
}

OSStatus PMGetLastPage(PMPrintSettings settings, uint32_t* last) {
  if (!IsKind(settings, kPrintSettings) || last == nullptr) return paramErr;
  *last = settings->lastPage;
  return noErr;
}

OSStatus PMGetCopies(PMPrintSettings settings, uint32_t* copies) {
  if (!IsKind(settings, kPrintSettings) || copies == nullptr) return paramErr;
  *copies = settings->copies;
  return noErr;
}

OSStatus PMFlattenPageFormat(PMPageFormat format, Handle* flat) {
  if (!IsKind(format, kPageFormat) || flat == nullptr) return paramErr;
  *flat = NewHandle(kFormatFlatSize);
  if (*flat == nullptr) return memFullErr;
  auto* p = reinterpret_cast<unsigned char*>(**flat);
  std::memcpy(p, kFormatMagic, 4);
  p[4] = 1;
  p[5] = format->paper;
  return noErr;
}

OSStatus PMUnflattenPageFormat(Handle flat, PMPageFormat* format) {
  if (format == nullptr) return paramErr;
  *format = nullptr;
  if (GetHandleSize(flat) != kFormatFlatSize) return kPMInvalidFlattenedData;
  const auto* p = reinterpret_cast<const unsigned char*>(*flat);
  if (std::memcmp(p, kFormatMagic, 4) != 0 || p[4] != 1 || p[5] > kVirtualPaperUSLetter) return kPMInvalidFlattenedData;
  OSStatus err = NewObject(kPageFormat, format);
  if (err != noErr) return err;
  (*format)->paper = VirtualPaper(p[5]);
  (*format)->hasPaper = true;
  return noErr;
}

OSStatus PMFlattenPrintSettings(PMPrintSettings settings, Handle* flat) {
  if (!IsKind(settings, kPrintSettings) || flat == nullptr) return paramErr;
  *flat = NewHandle(kSettingsFlatSize);
  if (*flat == nullptr) return memFullErr;
  auto* p = reinterpret_cast<unsigned char*>(**flat);
  std::memcpy(p, kSettingsMagic, 4);
  p[4] = 1;
  PutU16(p + 5, settings->firstPage > 0xFFFF ? 0xFFFF : settings->firstPage);
  PutU16(p + 7, settings->lastPage > 0xFFFF ? 0xFFFF : settings->lastPage);
  PutU16(p + 9, settings->copies > 0xFFFF ? 0xFFFF : settings->copies);
  return noErr;
}

OSStatus PMUnflattenPrintSettings(Handle flat, PMPrintSettings* settings) {
  if (settings == nullptr) return paramErr;
  *settings = nullptr;
  if (GetHandleSize(flat) != kSettingsFlatSize) return kPMInvalidFlattenedData;
  const auto* p = reinterpret_cast<const unsigned char*>(*flat);
  if (std::memcmp(p, kSettingsMagic, 4) != 0 || p[4] != 1) return kPMInvalidFlattenedData;
  OSStatus err = NewObject(kPrintSettings, settings);
  if (err != noErr) return err;
  (*settings)->firstPage = GetU16(p + 5);
  (*settings)->lastPage = GetU16(p + 7);
  (*settings)->copies = GetU16(p + 9);
  return noErr;
}
