#pragma once
// Printing Manager stand-in: one virtual printer whose standard and maximum
// resolutions are both 576 dpi, with A4 paper by default (US Letter on request).
// Its page formats are in points (72 dpi) and their printable page is the
// whole sheet, so that a page laid out at 576 dpi covers the paper exactly.
// The engine's print record, whose first twelve bytes are the page setups'
// print information, is declared here too.
#include "platform/PlatformTypes.h"

// Print information of a page setup: resolutions in dots per inch (the
// horizontal one is the page resolution) and the printable page in device pixels.
struct PrInfo {
  int16_t resV;
  int16_t resH;
  Rect page;
};

typedef struct PMObjectRec* PMObject;
typedef PMObject PMPrintSession;
typedef PMObject PMPageFormat;
typedef PMObject PMPrintSettings;
typedef PMObject PMPrinter;

// The print record of the engine (a zero-filled handle): PrInfo first.
struct TPrintRecord {
  PrInfo info;        // resV, resH and the printable page
  Rect paper;         // paper in device pixels
  int16_t firstPage;  // at least 1
  int16_t lastPage;   // 9999 when below firstPage
  int16_t copies;     // at least 1
  uint8_t ajuste;     // cleared by each adjustment
  PMPageFormat pageFormat;
  PMPrintSettings printSettings;
  int16_t mot1;  // copied with the saved records
  int16_t mot2;
  PrInfo saved;  // copy made when the default page is installed
};
typedef TPrintRecord** THPrint;

struct PMRect {
  double top;
  double left;
  double bottom;
  double right;
};

struct PMResolution {
  double hRes;
  double vRes;
};

// Which resolution of the printer a query asks for.
enum PMPrinterResolutionTag : uint32_t {
  kPMDefaultResolutionTag = 1,
  kPMMaxSquareResolutionTag = 2,
};

enum : OSStatus {
  kPMGeneralError = -30870,
  kPMNotSupported = -30873,
  kPMValueOutOfRange = -30874,
  kPMNoDefaultPrinter = -30872,
  kPMInvalidPrintSession = -30879,
  kPMInvalidFlattenedData = -30880,
};

OSStatus PMCreateSession(PMPrintSession* session);
OSStatus PMRelease(PMObject object);  // null is an error (paramErr)
OSStatus PMSessionError(PMPrintSession session);
OSStatus PMSessionSetError(PMPrintSession session, OSStatus error);
OSStatus PMSessionGetCurrentPrinter(PMPrintSession session, PMPrinter* printer);  // not retained
OSStatus PMPrinterGetPrinterResolution(PMPrinter printer, PMPrinterResolutionTag tag, PMResolution* res);

OSStatus PMCreatePageFormat(PMPageFormat* format);
OSStatus PMSessionDefaultPageFormat(PMPrintSession session, PMPageFormat format);
OSStatus PMSessionValidatePageFormat(PMPrintSession session, PMPageFormat format, Boolean* changed);
OSStatus PMGetAdjustedPaperRect(PMPageFormat format, PMRect* rect);  // points, page origin at 0, 0
OSStatus PMGetAdjustedPageRect(PMPageFormat format, PMRect* rect);
OSStatus PMGetResolution(PMPageFormat format, PMResolution* res);  // the format's drawing resolution

OSStatus PMCreatePrintSettings(PMPrintSettings* settings);
OSStatus PMSessionDefaultPrintSettings(PMPrintSession session, PMPrintSettings settings);
OSStatus PMGetFirstPage(PMPrintSettings settings, uint32_t* first);
OSStatus PMGetLastPage(PMPrintSettings settings, uint32_t* last);
OSStatus PMGetCopies(PMPrintSettings settings, uint32_t* copies);

// Flattened forms kept in the printer parameters file; each is a new handle.
OSStatus PMFlattenPageFormat(PMPageFormat format, Handle* flat);
OSStatus PMUnflattenPageFormat(Handle flat, PMPageFormat* format);
OSStatus PMFlattenPrintSettings(PMPrintSettings settings, Handle* flat);
OSStatus PMUnflattenPrintSettings(Handle flat, PMPrintSettings* settings);

// The virtual printer itself, set by the host and the tests.
enum VirtualPaper : uint8_t { kVirtualPaperA4 = 0, kVirtualPaperUSLetter = 1 };
struct VirtualPrinter {
  bool present = true;  // false: no session can be created
  VirtualPaper paper = kVirtualPaperA4;
  double defaultResolution = 576.0;
  double maxResolution = 576.0;
  OSStatus resolutionError = 0;  // answered by every resolution query when set
};
void SetVirtualPrinter(const VirtualPrinter& printer);
const VirtualPrinter& GetVirtualPrinter();
void ResetVirtualPrinter();               // back to the defaults above
int32_t GetVirtualPrinterSessionCount();  // sessions created so far
