#pragma once
// Printer setup: the process's print record, the saved printer parameters
// ("TPRINT.PRM" of the preferences folder), and the printer's standard and
// maximum resolutions. Pages are laid out for the printer, so that a preview
// comes out exactly as a print would.
#include <cstdio>

#include "platform/Printing.h"

// The print record, created on first use and kept for the process, and the
// copies made after the first successful standard and maximum resolution queries.
extern THPrint GlobalHPrint;
extern THPrint GlobalHPrintStd;
extern THPrint GlobalHPrintMax;

// Reads the saved parameters into the print record (creating it), or takes
// the printer's defaults, or else the default page of 560 x 800 at 72 dpi.
void ReadPrmPrint();
// Reads the saved page format and print settings from an open parameters
// file: -1 when the magic is wrong, 0 on success (both stored in the record),
// otherwise the error (memFullErr when a block cannot be allocated, eofErr
// for a truncated file, the Printing Manager's error for a bad block).
OSStatus CarboniseReadHPrint(FILE* file, THPrint record);

OSStatus OuvrePrinterDriver();
void PrOpen();
void PrClose();
OSStatus PrError();
void PrSetError(OSStatus error);
void PrintDefault(THPrint record);
bool PrValidate(THPrint record);
void AjusteThPrint(THPrint record);
void CalculeAirePagePrint(THPrint record);
// The page of 560 x 800 at 72 dpi used when no usable page format exists.
void InstallePageDefaut(THPrint record);
bool IsPapierVide(THPrint record);  // null, or left >= right or top >= bottom

OSStatus CarboniseSetPrinterStdResolution(THPrint record);
OSStatus CarboniseSetPrinterMaxResolution(THPrint record);

// 1 when the standard resolution is installed in the print record, else 0.
int16_t FixeResolutionStdImprimante();
// With a saved maximum copy: whether the page resolution changed; else 1.
int16_t FixeResolutionMaxImprimante();

// Releases the print records and the session (the tests start each case afresh).
void LibereImprimante();
